// Any bytes as an RTF body through the reader and the builder of the rich-text pane's
// document, under Qt's offscreen platform: every model the reader makes must build, tables,
// merges, lists and pictures included, and lay out. Metafile pictures get a drawer that
// checks what the builder hands it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include <QGuiApplication>
#include <QTextDocument>

#include "fuzz/fuzz_scratch.h"
#include "viewer/render/richtext/rtf_reader.h"
#include "viewer/ui/rich_text_builder.h"

namespace {

QGuiApplication& Application()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<QGuiApplication> application = [] {
        const std::string runtime = fuzz_support::Scratch() + "runtime";
        ::mkdir(runtime.c_str(), 0700);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return std::make_unique<QGuiApplication>(argc, argv);
    }();
    return *application;
}

QImage CheckedMetafile(std::span<const std::uint8_t> bytes, int /*mapMode*/, QSize size)
{
    // The goal size is capped before the drawer sees it; the bytes are the picture's own.
    if (size.width() <= 0 || size.height() <= 0 || size.width() > 4000 ||
        size.height() > 4000 || (bytes.data() == nullptr && !bytes.empty())) {
        std::abort();
    }
    return {};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    (void)Application();
    const viewer::render::richtext::Document model = viewer::render::richtext::ReadRtf({data, size});
    QTextDocument document;
    viewer::ui::RichTextBuildOptions options;
    options.drawMetafile = CheckedMetafile;
    options.maxPicturePixels = 1 << 20;
    viewer::ui::BuildTextDocument(model, document, options);
    document.setTextWidth(600);
    (void)document.size();
    return 0;
}
