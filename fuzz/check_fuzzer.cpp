// Any bytes as a document through the careful reading of check and the body forms: every
// finding lies inside the stream and is valid text without control characters, a stream
// called no TNEF stream has no further findings, every form of the body is made or refused
// without a crash, and nothing is left in the temporary folder. The file stream server of
// the same build carries the copies the reading makes, as it does in pallion-cli.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_scratch.h"
#include "platform/memory_stream.h"
#include "platform/text_safety.h"
#include "viewer/doc/app/app_context.h"
#include "viewer/doc/document/envelon_doc.h"
#include "viewer/doc/frame/stored_bodies.h"
#include "viewer/doc/tree/damage_check.h"
#include "viewer/doc/tree/tree_builder.h"

namespace {

using namespace viewer::doc::document;
using namespace viewer::doc::model;
using namespace viewer::doc::tree;

void Prepare()
{
    static const bool prepared = [] {
        const std::string& scratch = fuzz_support::Scratch();
        ::setenv("PALLION_REGISTRY", (scratch + "registry.reg").c_str(), 1);
        ::setenv("PALLION_LIBDIR", PALLION_BIN_DIR, 1);
        viewer::doc::app::RegisterStreamServer();
        return true;
    }();
    static_cast<void>(prepared);
}

void CheckEntry(const DamageEntry& entry, std::size_t size)
{
    const std::string& message = entry.message;
    if (entry.offset > size || message.empty() || !platform::IsValidUtf8(message)) {
        __builtin_trap();
    }
    for (std::size_t i = 0; i < message.size();) {
        if (platform::IsControlCharacter(platform::NextUtf8Char(message, i))) {
            __builtin_trap();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Prepare();
    const std::vector<std::uint8_t> bytes(data, data + size);
    for (bool raw : {false, true}) {
        CEnvelonDoc doc;
        doc.AttachStream(platform::CreateMemoryStream(bytes), "fuzz.dat");
        doc.SetRawView(raw);
        const DamageReport report = CheckDocument(doc, nullptr);
        for (const DamageEntry& entry : report.entries) {
            CheckEntry(entry, size);
        }
        if (report.notTnef && report.entries.size() != 1) {
            __builtin_trap();
        }
    }
    CEnvelonDoc doc;
    doc.AttachStream(platform::CreateMemoryStream(bytes), "fuzz.dat");
    DocumentTree tree;
    tree.Build(doc, nullptr);
    for (auto form : {viewer::render::body::BodyForm::Rtf, viewer::render::body::BodyForm::Html,
                      viewer::render::body::BodyForm::Text}) {
        std::string text;
        static_cast<void>(viewer::doc::frame::RenderStoredBody(doc, tree.GetTree(), tree.Index(),
                                                               form, &text));
    }
    if (!fuzz_support::TempFolderEmpty()) {
        __builtin_trap();
    }
    return 0;
}
