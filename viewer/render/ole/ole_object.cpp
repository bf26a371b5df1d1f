#include "viewer/render/ole/ole_object.h"

#include <algorithm>
#include <array>

#include "viewer/render/ole/gsf_p.h"
#include "viewer/render/ole/presentation_picture.h"

namespace viewer::render::ole {

using platform::E_FAIL;
using platform::S_OK;

namespace {

constexpr std::size_t kChunk = 65536;
constexpr std::size_t kMaxCompObjBytes = 65536;

constexpr std::string_view kCompObj = "\001CompObj";
constexpr std::string_view kOle10Native = "\001Ole10Native";
constexpr std::string_view kOlePresPrefix = "\002OlePres";

std::string Upper(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    });
    return out;
}

bool SameName(std::string_view a, std::string_view b)
{
    return Upper(a) == Upper(b);
}

// HIMETRIC of a length in picture units, held to what a 32-bit extent can say.
std::int32_t Himetric(double units, double unitsPerInch)
{
    const double value = units * 2540 / unitsPerInch;
    return static_cast<std::int32_t>(std::clamp(value, 0.0, 2147483647.0));
}

// "\002OlePres" and three digits: the presentation's number, else -1.
int PresentationNumber(std::string_view name)
{
    if (name.size() != kOlePresPrefix.size() + 3 ||
        !SameName(name.substr(0, kOlePresPrefix.size()), kOlePresPrefix)) {
        return -1;
    }
    int number = 0;
    for (char c : name.substr(kOlePresPrefix.size())) {
        if (c < '0' || c > '9') {
            return -1;
        }
        number = number * 10 + (c - '0');
    }
    return number;
}

GPtr<GsfInput> StreamChild(GsfInfile* root, int index)
{
    GPtr<GsfInput> child(gsf_infile_child_by_index(root, index));
    if (child && GSF_IS_INFILE(child.get()) &&
        gsf_infile_num_children(GSF_INFILE(child.get())) >= 0) {
        return {}; // a storage
    }
    return child;
}

std::uint64_t SizeOf(GsfInput* stream)
{
    const gsf_off_t size = gsf_input_size(stream);
    return size > 0 ? static_cast<std::uint64_t>(size) : 0;
}

// The first `limit` bytes of a stream (all of a shorter one).
StatusCode ReadPrefix(GsfInput* stream, const GsfComplaints& complaints, std::uint64_t limit,
                      std::vector<std::uint8_t>& bytes)
{
    if (Seek(stream, 0) < 0) {
        return E_FAIL;
    }
    return ReadBytes(stream, complaints, std::min(SizeOf(stream), limit), bytes);
}

StatusCode Pump(GsfInput* stream, const GsfComplaints& complaints, std::uint64_t offset,
                std::uint64_t count, const ContentSink& sink)
{
    if (const StatusCode status = Seek(stream, offset); platform::Failed(status)) {
        return status;
    }
    std::vector<std::uint8_t> chunk;
    for (std::uint64_t done = 0; done < count;) {
        const std::uint64_t step = std::min<std::uint64_t>(kChunk, count - done);
        if (const StatusCode status = ReadBytes(stream, complaints, step, chunk); platform::Failed(status)) {
            return status;
        }
        if (const StatusCode status = sink(chunk); platform::Failed(status)) {
            return status;
        }
        done += step;
    }
    return S_OK;
}

} // namespace

struct OleObject::Impl {
    std::vector<std::uint8_t> bytes; // the file, when it was handed over in memory
    GPtr<GsfInput> source;
    GPtr<GsfInfile> root;
    struct Cached {
        int number = 0;
        int child = 0;
        Presentation header;
    };
    std::vector<Cached> presentations; // by number
    int native = -1;
    PackageInfo package;
};

OleObject::OleObject(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
OleObject::~OleObject()
{
    GsfComplaints complaints;
    m_impl.reset();
}

StatusCode OleObject::OpenFile(const std::string& path, std::unique_ptr<OleObject>& object)
{
    GsfComplaints complaints;
    auto impl = std::make_unique<Impl>();
    GError* error = nullptr;
    impl->source.reset(gsf_input_stdio_new(path.c_str(), &error));
    if (error) {
        g_error_free(error);
    }
    return Open(std::move(impl), object);
}

StatusCode OleObject::OpenBytes(std::vector<std::uint8_t> bytes, std::unique_ptr<OleObject>& object)
{
    GsfComplaints complaints;
    auto impl = std::make_unique<Impl>();
    impl->bytes = std::move(bytes);
    impl->source.reset(gsf_input_memory_new(impl->bytes.data(),
                                            static_cast<gsf_off_t>(impl->bytes.size()), FALSE));
    return Open(std::move(impl), object);
}

StatusCode OleObject::Open(std::unique_ptr<Impl> impl, std::unique_ptr<OleObject>& object)
{
    if (!impl->source) {
        return E_FAIL;
    }
    std::unique_ptr<OleObject> opened(new OleObject(std::move(impl)));
    if (const StatusCode status = opened->Load(); platform::Failed(status)) {
        return status;
    }
    object = std::move(opened);
    return S_OK;
}

StatusCode OleObject::Load()
{
    GsfComplaints complaints;
    GError* error = nullptr;
    m_impl->root.reset(gsf_infile_msole_new(m_impl->source.get(), &error));
    if (error) {
        g_error_free(error);
    }
    GsfInfile* root = m_impl->root.get();
    if (!root) {
        return E_FAIL;
    }
    std::array<guint8, 16> clsid{};
    if (gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(root), clsid.data())) {
        m_clsid = platform::GuidFromBytes(clsid.data());
    }

    bool word = false, workbook = false, slides = false;
    const int count = gsf_infile_num_children(root);
    for (int i = 0; i < count; ++i) {
        const char* raw = gsf_infile_name_by_index(root, i);
        const std::string_view name = raw ? raw : "";
        GPtr<GsfInput> stream = StreamChild(root, i);
        if (!stream) {
            continue;
        }
        std::vector<std::uint8_t> prefix;
        if (SameName(name, kCompObj)) {
            if (ReadPrefix(stream.get(), complaints, kMaxCompObjBytes, prefix) >= 0) {
                (void)ParseCompObj(prefix, m_compObj);
            }
        } else if (const int number = PresentationNumber(name); number >= 0) {
            Presentation header;
            if (ReadPrefix(stream.get(), complaints, kPresentationHeaderLimit, prefix) >= 0 &&
                ParsePresentation(prefix, SizeOf(stream.get()), header) >= 0) {
                m_impl->presentations.push_back({number, i, header});
            }
        } else if (SameName(name, kOle10Native)) {
            if (ReadPrefix(stream.get(), complaints, kPackageHeaderLimit, prefix) >= 0 &&
                ParsePackageHeader(prefix, SizeOf(stream.get()), m_impl->package) >= 0) {
                m_impl->native = i;
            }
        } else {
            word = word || SameName(name, "WordDocument");
            workbook = workbook || SameName(name, "Workbook") || SameName(name, "Book");
            slides = slides || SameName(name, "PowerPoint Document");
        }
    }
    std::sort(m_impl->presentations.begin(), m_impl->presentations.end(),
              [](const Impl::Cached& a, const Impl::Cached& b) { return a.number < b.number; });

    auto drawable = [&](std::uint32_t aspect) {
        return std::any_of(
            m_impl->presentations.begin(), m_impl->presentations.end(), [&](const Impl::Cached& c) {
                return c.header.aspect == aspect && (c.header.clipboardFormat == CF_METAFILEPICT ||
                                                     c.header.clipboardFormat == CF_DIB);
            });
    };
    const bool package = m_clsid == CLSID_Package || m_compObj.progId == "Package";
    m_onlyIconic = package || (!drawable(DVASPECT_CONTENT) && drawable(DVASPECT_ICON));

    using Kind = ObjectContent::Kind;
    if (package && m_impl->native >= 0) {
        m_content = {Kind::Package, m_impl->package.storedName, "", m_impl->package.dataSize};
        return S_OK;
    }
    m_content.name = m_compObj.userType.empty() ? "Embedded object" : m_compObj.userType;
    m_content.size = SizeOf(m_impl->source.get());
    if (word || m_clsid == CLSID_WordDocument8) {
        m_content.kind = Kind::WordDocument;
        m_content.extension = ".doc";
    } else if (workbook || m_clsid == CLSID_ExcelSheet8) {
        m_content.kind = Kind::Workbook;
        m_content.extension = ".xls";
    } else if (slides || m_clsid == CLSID_PowerPointShow8) {
        m_content.kind = Kind::Slides;
        m_content.extension = ".ppt";
    } else {
        m_content.kind = Kind::CompoundFile;
        m_content.extension = ".ole";
    }
    return S_OK;
}

StatusCode OleObject::LoadPicture(std::uint32_t aspect, metafile::Picture& picture,
                                  std::int32_t& cx, std::int32_t& cy) const
{
    GsfComplaints complaints;
    StatusCode result = OLE_E_BLANK;
    for (const Impl::Cached& cached : m_impl->presentations) {
        const Presentation& header = cached.header;
        if (header.aspect != aspect ||
            (header.clipboardFormat != CF_METAFILEPICT && header.clipboardFormat != CF_DIB)) {
            continue;
        }
        GPtr<GsfInput> stream = StreamChild(m_impl->root.get(), cached.child);
        std::vector<std::uint8_t> data;
        metafile::Picture decoded;
        result = stream ? Seek(stream.get(), header.dataOffset) : E_FAIL;
        if (result >= 0) {
            result = ReadBytes(stream.get(), complaints, header.dataSize, data);
        }
        if (result >= 0) {
            result = DecodePresentation(header, data, decoded);
        }
        if (result < 0) {
            continue;
        }
        // A presentation without its extent is as large as its picture says.
        const double perInch = decoded.unitsPerInch > 0 ? decoded.unitsPerInch : 96;
        const bool stored = header.width != 0 && header.height != 0;
        cx = stored ? header.width : Himetric(decoded.bounds.Width(), perInch);
        cy = stored ? header.height : Himetric(decoded.bounds.Height(), perInch);
        picture = std::move(decoded);
        return S_OK;
    }
    return result;
}

StatusCode OleObject::WriteContent(const ContentSink& sink) const
{
    GsfComplaints complaints;
    if (m_content.kind == ObjectContent::Kind::Package) {
        GPtr<GsfInput> stream = StreamChild(m_impl->root.get(), m_impl->native);
        if (!stream) {
            return E_FAIL;
        }
        return Pump(stream.get(), complaints, m_impl->package.dataOffset, m_impl->package.dataSize,
                    sink);
    }
    // A copy of the file's input, so that the compound-file reader's position is its own.
    GPtr<GsfInput> copy(gsf_input_dup(m_impl->source.get(), nullptr));
    if (!copy) {
        return E_FAIL;
    }
    return Pump(copy.get(), complaints, 0, SizeOf(copy.get()), sink);
}

} // namespace viewer::render::ole
