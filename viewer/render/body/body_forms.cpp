#include "viewer/render/body/body_forms.h"

#include <string_view>

#include "platform/text.h"
#include "viewer/render/html/html_reader.h"
#include "viewer/render/metafile/metafile_player.h"
#include "viewer/render/metafile/svg_writer.h"
#include "viewer/render/richtext/deencapsulate.h"
#include "viewer/render/richtext/html_writer.h"
#include "viewer/render/richtext/rtf_reader.h"
#include "viewer/render/richtext/text_writer.h"

namespace viewer::render::body {

namespace {

std::string Bytes(std::span<const std::uint8_t> bytes)
{
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// The plain body in UTF-8 with '\n' line ends.
std::string PlainText(const MailBodies& bodies)
{
    std::string text;
    if (bodies.plainUtf16) {
        text = platform::Utf16ToUtf8(
            platform::Utf16FromLittleEndian(bodies.plain.data(), bodies.plain.size()));
    } else {
        const std::uint32_t codePage =
            bodies.messageCodePage != 0 ? bodies.messageCodePage : platform::kDefaultCodePage;
        text = platform::DecodeCodePage(Bytes(bodies.plain), codePage);
    }
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                continue;
            }
            out.push_back('\n');
        } else if (text[i] != '\0') {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::string PlainAsHtml(const MailBodies& bodies)
{
    std::string html = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\n<html><head>"
                       "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
                       "<title></title></head>\n<body>\n<pre style=\"white-space:pre-wrap\">";
    platform::AppendEscapedMarkup(html, PlainText(bodies));
    html += "</pre>\n</body></html>\n";
    return html;
}

// A Windows metafile of an RTF body as an SVG image at the size the body shows it.
std::optional<richtext::EncodedImage> MetafileAsSvg(const richtext::Picture& picture)
{
    if (picture.format != richtext::PictureFormat::Wmf || !picture.usable) {
        return std::nullopt;
    }
    metafile::Picture played;
    if (platform::Failed(metafile::PlayMetafile(picture.data, played))) {
        return std::nullopt;
    }
    const richtext::PictureSize size = richtext::DisplaySize(picture);
    constexpr double kTwipsPerPixel = 15;
    return richtext::EncodedImage{
        "image/svg+xml",
        metafile::WriteSvg(played, {size.width / kTwipsPerPixel, size.height / kTwipsPerPixel})};
}

std::string RtfAsHtml(const MailBodies& bodies)
{
    if (std::optional<richtext::Deencapsulated> wrapped = richtext::Deencapsulate(bodies.rtf);
        wrapped && wrapped->kind == richtext::Encapsulation::Html) {
        return std::move(wrapped->content);
    }
    richtext::HtmlOptions options;
    options.convertPicture = MetafileAsSvg;
    return richtext::WriteHtml(richtext::ReadRtf(bodies.rtf), options);
}

} // namespace

std::optional<std::string> RenderBody(const MailBodies& bodies, BodyForm form)
{
    switch (form) {
    case BodyForm::Rtf:
        if (!bodies.hasRtf) {
            return std::nullopt;
        }
        return Bytes(bodies.rtf);
    case BodyForm::Html:
        if (bodies.hasHtml) {
            return Bytes(bodies.html);
        }
        if (bodies.hasRtf) {
            return RtfAsHtml(bodies);
        }
        if (bodies.hasPlain) {
            return PlainAsHtml(bodies);
        }
        return std::nullopt;
    case BodyForm::Text:
        switch (bodies.shown) {
        case ShownBody::Rtf:
            return richtext::WriteText(richtext::ReadRtf(bodies.rtf));
        case ShownBody::Html: {
            const html::CharsetHints hints{bodies.internetCodePage, bodies.messageCodePage,
                                           bodies.htmlUtf16};
            return html::HtmlText(html::HtmlDocument::Parse(bodies.html, hints));
        }
        case ShownBody::Plain:
            return PlainText(bodies);
        case ShownBody::None:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

} // namespace viewer::render::body
