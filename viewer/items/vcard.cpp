#include "viewer/items/vcard.h"

#include <algorithm>
#include <array>

#include "format/mapi.h"
#include "platform/base64.h"
#include "viewer/items/calendar_time.h"
#include "viewer/items/content_lines.h"
#include "viewer/items/item_fields_p.h"

namespace viewer::items {

using namespace ::format;

namespace {

constexpr std::string_view kProductId = "-//corvane.example//Pallion//EN";

// A postal address by its parts: post office box, street, city, region, postal code, country.
template <typename Key> struct AddressKeys {
    Key postOfficeBox, street, city, region, postalCode, country;
};

constexpr AddressKeys<std::uint32_t> kHomeAddress{
    PR_HOME_ADDRESS_POST_OFFICE_BOX,   PR_HOME_ADDRESS_STREET,      PR_HOME_ADDRESS_CITY,
    PR_HOME_ADDRESS_STATE_OR_PROVINCE, PR_HOME_ADDRESS_POSTAL_CODE, PR_HOME_ADDRESS_COUNTRY};
constexpr AddressKeys<std::uint32_t> kOtherAddress{
    PR_OTHER_ADDRESS_POST_OFFICE_BOX,   PR_OTHER_ADDRESS_STREET,      PR_OTHER_ADDRESS_CITY,
    PR_OTHER_ADDRESS_STATE_OR_PROVINCE, PR_OTHER_ADDRESS_POSTAL_CODE, PR_OTHER_ADDRESS_COUNTRY};
constexpr AddressKeys<NamedProperty> kWorkAddress{
    PidLidWorkAddressPostOfficeBox, PidLidWorkAddressStreet,     PidLidWorkAddressCity,
    PidLidWorkAddressState,         PidLidWorkAddressPostalCode, PidLidWorkAddressCountry};
// The mailing address, which copies one of the three; read as the business address when
// the contact keeps no other.
constexpr AddressKeys<std::uint32_t> kMailingAddress{PR_POST_OFFICE_BOX, PR_STREET_ADDRESS,
                                                     PR_LOCALITY,        PR_STATE_OR_PROVINCE,
                                                     PR_POSTAL_CODE,     PR_COUNTRY};

// ADR's seven parts: box, extended address (unused), street, city, region, code, country.
template <typename Key>
std::vector<std::string> AddressOf(const PropertyReader& props, const AddressKeys<Key>& keys)
{
    std::vector<std::string> parts;
    bool any = false;
    for (const Key* key : {&keys.postOfficeBox, static_cast<const Key*>(nullptr), &keys.street,
                           &keys.city, &keys.region, &keys.postalCode, &keys.country}) {
        parts.push_back(key ? props.Text(*key).value_or("") : "");
        any = any || !parts.back().empty();
    }
    return any ? parts : std::vector<std::string>{};
}

struct Phone {
    std::uint32_t tag;
    const char* types;
};

constexpr std::array kPhones{
    Phone{PR_PRIMARY_TELEPHONE_NUMBER, "voice"},
    Phone{PR_BUSINESS_TELEPHONE_NUMBER, "work,voice"},
    Phone{PR_HOME_TELEPHONE_NUMBER, "home,voice"},
    Phone{PR_MOBILE_TELEPHONE_NUMBER, "cell"},
    Phone{PR_BUSINESS_FAX_NUMBER, "work,fax"},
    Phone{PR_HOME_FAX_NUMBER, "home,fax"},
    Phone{PR_PAGER_TELEPHONE_NUMBER, "pager"},
};

struct Email {
    NamedProperty address, type, displayName;
};

constexpr std::array kEmails{
    Email{PidLidEmail1EmailAddress, PidLidEmail1AddressType, PidLidEmail1DisplayName},
    Email{PidLidEmail2EmailAddress, PidLidEmail2AddressType, PidLidEmail2DisplayName},
    Email{PidLidEmail3EmailAddress, PidLidEmail3AddressType, PidLidEmail3DisplayName},
};

// The media type of a picture, by its first bytes; nothing for anything else.
const char* PictureType(std::span<const std::uint8_t> data)
{
    const auto startsWith = [&](std::initializer_list<std::uint8_t> magic) {
        return data.size() >= magic.size() && std::equal(magic.begin(), magic.end(), data.begin());
    };
    if (startsWith({0xFF, 0xD8, 0xFF})) {
        return "image/jpeg";
    }
    if (startsWith({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) {
        return "image/png";
    }
    if (startsWith({'G', 'I', 'F', '8'})) {
        return "image/gif";
    }
    if (startsWith({'B', 'M'})) {
        return "image/bmp";
    }
    return nullptr;
}

// A date kept as its midnight (local, or in UTC when the zone is unknown).
std::optional<std::string> DayOf(const PropertyReader& props, const NamedProperty& local,
                                 std::uint32_t utc)
{
    for (const auto time : {props.Time(local), props.Time(utc)}) {
        if (const auto seconds = time ? SecondsOfFileTime(*time) : std::nullopt) {
            return FormatDate(NearestMidnight(*seconds));
        }
    }
    return std::nullopt;
}

// A web page as a URI; contacts often keep "www.example.com" without a scheme.
std::string WebAddress(const std::string& page)
{
    const std::string uri = PercentEncode(page, "-._~:/?#[]@!$&'()*+,;=%");
    const std::size_t colon = uri.find(':');
    if (colon == std::string::npos || uri.find_first_of("/?#") < colon) {
        return "http://" + uri;
    }
    return uri;
}

void WritePhoto(ContentLines& out, const Message& message)
{
    for (const PropertyBag& attachment : message.attachments) {
        const PropertyReader props(attachment, message.codePage);
        if (!props.Bool(PR_ATTACHMENT_CONTACTPHOTO).value_or(false)) {
            continue;
        }
        const auto data = props.Binary(PR_ATTACH_DATA_BIN);
        const char* type = data ? PictureType(*data) : nullptr;
        if (type != nullptr && data->size() <= kMaxPhotoBytes) {
            std::string uri = std::string("data:") + type + ";base64,";
            platform::AppendBase64(uri, *data);
            out.Raw("PHOTO", uri);
            return;
        }
    }
}

} // namespace

std::string WriteCard(const Message& message)
{
    const PropertyReader props(message.properties, message.codePage);
    ContentLines out;
    out.Begin("VCARD");
    out.Raw("VERSION", "4.0");
    out.Raw("PRODID", kProductId);
    out.Text("UID", FallbackUid(message));

    const std::vector<std::string> name{
        props.Text(PR_SURNAME).value_or(""), props.Text(PR_GIVEN_NAME).value_or(""),
        props.Text(PR_MIDDLE_NAME).value_or(""), props.Text(PR_DISPLAY_NAME_PREFIX).value_or(""),
        props.Text(PR_GENERATION).value_or("")};
    std::string joined;
    for (const std::size_t part : {1, 2, 0}) {
        if (!name[part].empty()) {
            joined += (joined.empty() ? "" : " ") + name[part];
        }
    }
    std::optional<std::string> formatted = props.Text(PR_DISPLAY_NAME);
    for (const auto& candidate :
         {std::optional<std::string>(joined.empty() ? std::nullopt : std::optional(joined)),
          props.Text(PidLidFileUnder), props.Text(PR_SUBJECT), props.Text(kEmails[0].address)}) {
        formatted = formatted ? formatted : candidate;
    }
    out.Text("FN", formatted.value_or(""));
    if (!joined.empty() || !name[3].empty() || !name[4].empty()) {
        out.Property("N").Parts(name);
    }
    if (const auto nickname = props.Text(PR_NICKNAME)) {
        out.Text("NICKNAME", *nickname);
    }

    const auto company = props.Text(PR_COMPANY_NAME);
    const auto department = props.Text(PR_DEPARTMENT_NAME);
    if (company || department) {
        std::vector<std::string> org{company.value_or("")};
        if (department) {
            org.push_back(*department);
        }
        out.Property("ORG").Parts(org);
    }
    if (const auto title = props.Text(PR_TITLE)) {
        out.Text("TITLE", *title);
    }
    if (const auto profession = props.Text(PR_PROFESSION)) {
        out.Text("ROLE", *profession);
    }

    int preference = 1;
    for (const Email& email : kEmails) {
        const auto address = props.Text(email.address);
        if (!address || address->find('@') == std::string::npos) {
            continue;
        }
        auto line = out.Property("EMAIL");
        line.Param("PREF", std::to_string(preference++));
        if (const auto displayName = props.Text(email.displayName)) {
            line.Param("X-DISPLAY-NAME", *displayName);
        }
        line.Text(*address);
    }
    for (const Phone& phone : kPhones) {
        if (const auto number = props.Text(phone.tag)) {
            out.Property("TEL").ParamList("TYPE", phone.types).Text(*number);
        }
    }

    const auto home = AddressOf(props, kHomeAddress);
    auto work = AddressOf(props, kWorkAddress);
    if (work.empty()) {
        work = AddressOf(props, kMailingAddress);
        if (work == home) {
            work.clear();
        }
    }
    const auto other = AddressOf(props, kOtherAddress);
    using Address = std::pair<const std::vector<std::string>*, const char*>;
    for (const auto& [parts, type] :
         {Address{&home, "home"}, Address{&work, "work"}, Address{&other, nullptr}}) {
        if (parts->empty()) {
            continue;
        }
        auto line = out.Property("ADR");
        if (type != nullptr) {
            line.ParamList("TYPE", type);
        }
        line.Parts(*parts);
    }

    for (const auto& [tag, type] :
         {std::pair{PR_BUSINESS_HOME_PAGE, "work"}, std::pair{PR_PERSONAL_HOME_PAGE, "home"}}) {
        if (const auto page = props.Text(tag)) {
            out.Property("URL").ParamList("TYPE", type).Raw(WebAddress(*page));
        }
    }
    if (const auto birthday = DayOf(props, PidLidBirthdayLocal, PR_BIRTHDAY)) {
        out.Raw("BDAY", *birthday);
    }
    if (const auto anniversary =
            DayOf(props, PidLidWeddingAnniversaryLocal, PR_WEDDING_ANNIVERSARY)) {
        out.Raw("ANNIVERSARY", *anniversary);
    }
    if (const auto note = BodyTextOf(message)) {
        out.Text("NOTE", *note);
    }
    if (const auto keywords = props.Strings(PidNameKeywords); !keywords.empty()) {
        out.Property("CATEGORIES").List(keywords);
    }
    WritePhoto(out, message);
    out.End("VCARD");
    return out.Output();
}

} // namespace viewer::items
