// Every TNEF and mail file of the corpus through tree, checksum, extract and body: no crash
// or hang on any, and attachments and bodies equal to what the peer tool wrote where it
// read the file. The peer writes embedded messages and OLE objects with their 16-byte
// interface identifier in front; pallion-cli writes the data that follows it.
#include <algorithm>
#include <dirent.h>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/com.h"
#include "tests/support/test_files.h"
#include "tests/tools/cli_fixture.h"

using namespace testing_support;

namespace {

struct CorpusFile {
    const char* path;  // under the corpus folder
    // The exit status of the commands that read the file: 0 for a sound stream, 4 where the
    // manifest records damage (a record past the end, trailing bytes), 1 for no TNEF stream.
    int status;
    // check's exit status: 3 also for checksums that do not match.
    int check;
    // The peer tool read the whole file (or did when told to ignore checksums); when it did
    // not, what it extracted before giving up must be among ours.
    bool peerRead;
    const char* body;  // SHA-256 of the body the peer saved, or empty
    std::vector<const char*> attachments; // SHA-256 of each attachment the peer extracted
};

const std::vector<CorpusFile>& CorpusFiles()
{
    static const std::vector<CorpusFile> files = {
        {"tnef/IPM-DistList.tnef", 0, 3, true, "d31f0365e69cdbe576d102a6f074dcaa84c58d797d5bbc1f3d5197e5d5e7171a", {"1fbd811944a6b9af6af1d1077848f5d034a2d91be8eba6a8e39a957bb25ebefa"}},
        {"tnef/MAPI_ATTACH_DATA_OBJ.tnef", 0, 0, true, "e803e31e72d8d36f2528719a632d029806d6cbbdf168013865725b602302b0db", {"9955935516d1407e0f833d91242f7416c68a66eae69e73d855ae17724e04fe60", "968c9c4a8a6a02ff9a6c4e2621d5f5d512593a30d57379f704c4274ead48d72e", "c2ee04f99e59079afa8661913dbd8b9002ea005c7540aaec85a67ed113e9a7b8"}},
        {"tnef/MAPI_OBJECT.tnef", 0, 0, true, "095da1917ef2b6c25839ddd215a916605f95d45a4f780736ed6055107be19c71", {"38b6a2874dad907cad7a5a0e42c49940f4b899eab98220e8540938e7fe81ba30"}},
        {"tnef/attachments.tnef", 0, 0, true, "5dcd1bdee036cc1c7639bca7f7e96355d80a18f9e366b3be672a3112019d4356", {"1e08d6e23c75ff80ac992eebc24c2943c7843b7dfee235966b37de5eb4362599", "bea844f30e0fcc20fad419a0d11032a6465da93c1da185a1196949955994409a"}},
        {"tnef/bad_checksum.tnef", 4, 3, false, "", {}},
        {"tnef/body.tnef", 0, 0, true, "0f4e697985fbcf97c8bd5797c90bd930cb8b7b163cec3f8ad5895e6f04efea3e", {}},
        {"tnef/bug52400-winmail-simple.dat", 4, 3, true, "a9ddce1bfa40bb0232e5f83e6f3df0d3e946073689090f83ab0ec4f6fade2c3f", {}},
        {"tnef/bug63955-winmail.dat", 0, 0, true, "710d92067dc5f8e9d2b0275f502cbef8c21e72f5d59bc0f93e13482e750634f7", {"b9261bf9cbbe2116e1a3c951cb7ae23c46d47922f6458e939cf7ec19673ac89d", "f8f7f17b72e86d8ea26dc495c34907434a922f6667043e91388ca0f73f1955c3"}},
        {"tnef/christmas.tnef", 0, 0, true, "3716ee1ced39726b038a01a003ff26cbef59d5d37d2c65e38a323ee4db9d7901", {"7ab45136830596fbd6d2dba429b7ff170e7cf4f728df679ee8050ac5b9e57425", "62df7efa45889fdcfc817a36aacb34c6cc3f4e234367b85dc3e5031e457274d3", "f79d79bf20d19d17f4bbc92bc59485be362df93deaa92b71cc0d490d3b7ac935"}},
        {"tnef/data-before-name.tnef", 0, 0, true, "047bc7915ca95a0273baafc020a51e745a2e68d6f0cc9ba3c326090ff8e7fd8d", {"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", "a815374e31481bbb939d99e73ecfe1de7914363ecd5c670c60a9022474251bce"}},
        {"tnef/duplicate_filename.tnef", 0, 3, true, "e803e31e72d8d36f2528719a632d029806d6cbbdf168013865725b602302b0db", {"c2ee04f99e59079afa8661913dbd8b9002ea005c7540aaec85a67ed113e9a7b8", "9955935516d1407e0f833d91242f7416c68a66eae69e73d855ae17724e04fe60", "968c9c4a8a6a02ff9a6c4e2621d5f5d512593a30d57379f704c4274ead48d72e"}},
        {"tnef/empty-file.tnef", 1, 1, false, "", {}},
        {"tnef/garbage-at-end.tnef", 4, 3, true, "", {}},
        {"tnef/horde-TnefAttachmentsMultiple.tnef", 0, 0, true, "9500bfe70109f9734832778ee3ebe58a6d54e3af0af94536c093b0b42361054f", {"ff86372ce43519d675b8d8d29c98e9ccbe905d400ba057c8544fa001fa4d8e73", "7e5bdd023b6cf21efe42a8ec90bc1993fc853980d4b564688e5ac2d28c64223c", "b9352f2565260219db72fc1fc896113a26c85866b69c50d3970c4d9f5cce830a"}},
        {"tnef/horde-TnefMeetingRequest.tnef", 0, 0, true, "18313d0fcabf44c5db5bf53b1110ef90de40be26fd7330dc0b09e78604b58ea0", {}},
        {"tnef/missing-filenames.tnef", 0, 0, true, "507cd565d470dc9cb62d2205d818be0f35658a5b7e0052b557dab6f4b63de4ff", {"360db5c11b1f21c60ffbf7aa040a91f48fdef402663c303cfeddd4ef4a3dc9cd", "d1a592c2e3729270860ec3dcac357799e2667fa9859febd1b258c6ca3612f532", "b1e6b103cc5a9b759dd0a436d45bba131e69ca06a8b4c99d9beebf76d95cde93", "69ebd0e9c298f62d1bcced07a66fce16c43f0e6e0228336e1a56d8df8874b3b9"}},
        {"tnef/multi-name-property.tnef", 0, 0, true, "", {}},
        {"tnef/multi-value-attribute.tnef", 0, 0, true, "1feaf9614a5da99b28dc0c6efc0f9ade9d7a07433ed79c8b47484577747de96a", {"cf2e3cd4175a3acd5cd193623cd8f79fda1c22f4823560213e561851c3fdd4e8"}},
        {"tnef/one-file.tnef", 0, 0, true, "", {"36c47da7d11846caf0474a4b3df83bb4eba9ea01d2bca500c288fa108e123d28"}},
        {"tnef/panic.tnef", 4, 3, false, "", {"ee9bec688ebc6b535fa1c06b3c7f388510f501509a2d6ae17e964a3eda92f8db", "a497dd22b4a1f2de15da0929f17429edb502f94d767a0fa2ce67da35162cc62f"}},
        {"tnef/quick-winmail.dat", 0, 0, true, "81f0340e47351ec2472303af15d31381169b0d9caad489d4b24383eb727671a0", {"1240639edc264abf046523eed4bd0a154b0c4e487a9ec8b74be9d0c51b7de124", "5e7daab0b3edcfeec62bbde2371c95fc4fe7099469448abcee94cd49ffba072e", "263bea348ce44185f191b32efee29be44ef7ef7cc45ed32b9ae6753b1103d7d0", "becf39adaa5a3526600ed1d443b5fd382e9879c219a08d183c0660382c59fb56", "cc1704ac3bf0c4b83388c4e1912bbca08cc4dadcfc551521112b55794770a20c"}},
        {"tnef/rtf.tnef", 0, 0, true, "285e04e771fe1f1d699d8c7c6ce5d5fcf4dfebf239d9ed002239662e4862bde7", {}},
        {"tnef/triples.tnef", 0, 0, true, "8bbeaeb23fc3a13faaccd850e600d78aa01fce545f0ce9759c66a5a47867e29b", {}},
        {"tnef/umlaut-filename.tnef", 0, 0, true, "e8b1211049b3f64b88c97dcc9e4ad8a347bae6377204354a829b4ada38c3e33a", {"8ea46aa9a82f286c84fcde21444e17b83a3dfd6b2eabaa433a675c6bf9fcb78c"}},
        {"tnef/umlaut.tnef", 0, 0, true, "fa3743d4393726cfa2443fbd02c8a3cb6f842b67f74322be47f4e9e37981fd73", {"67597116a0dbb64f7576edbf4285183441536529aa5643b4127de7d4e0097822", "9b34b140af86a7de1be22a13fd6bc8abf03abb8094c0e65751b2f221188a3b41", "49b597682736b44a6ce499a05bcadf60d996244b5679d46cfe37ad5cc820fb00"}},
        {"tnef/unicode-mapi-attr-name.tnef", 0, 0, true, "3d598c5cfca21274e62f15bdd62690e6c83de4d46635ad609679437487fcc2bf", {"037f9d1fa06bccd31878332853814a43e6ed86b3893770b42b057597b49d19c9", "ea179fb97a7e850e58b830f51a1fe411d5a4e5ffb1620c895abe9788cfac6f07", "20c51557b9c7ec0a5da9ccfd4c2efb0ff7be72d15b05e1ddecc3d1c69fc8eaa9", "4d9639506fa4bf42ede43ffbaa8ed5a8f8fe2338bc2562f9b9aef7970bc4a25e"}},
        {"tnef/winmail-10193.tnef", 0, 0, true, "766c81eefae5fd1ed637ccf5fb25e1c7158af1acc8945437708f1359a86b7429", {"f297b80c50bc2a0453c6f2409e0c4ab7a8825911a8af414a17a56dcd88b1ef81", "d5af40caaae4b14896b9cd874c73a459a0f4bde4992974c6ae862a86ee863ef4", "622c4145d820d3fedb976dcf68dd9a4b49e6e10fa8a0f95fd12b6081d5906e57"}},
        {"tnef/ytnef-oob-TNEFVersion-SwapWord.tnef", 4, 3, false, "", {}},
        {"eml/horde-Itip_Reply.eml", 0, 0, true, "b46c9deba27dfd0010cfad042d0e8442595b1ad48adab5e5ba6e9a09667bacb0", {}},
        {"eml/rich-text.eml", 0, 0, true, "3716ee1ced39726b038a01a003ff26cbef59d5d37d2c65e38a323ee4db9d7901", {"7ab45136830596fbd6d2dba429b7ff170e7cf4f728df679ee8050ac5b9e57425", "62df7efa45889fdcfc817a36aacb34c6cc3f4e234367b85dc3e5031e457274d3", "f79d79bf20d19d17f4bbc92bc59485be362df93deaa92b71cc0d490d3b7ac935"}},
        {"eml/roundcube-tnef1.eml", 0, 0, true, "", {"36c47da7d11846caf0474a4b3df83bb4eba9ea01d2bca500c288fa108e123d28"}},
        {"eml/roundcube-tnef3.eml", 0, 0, true, "5dcd1bdee036cc1c7639bca7f7e96355d80a18f9e366b3be672a3112019d4356", {"1e08d6e23c75ff80ac992eebc24c2943c7843b7dfee235966b37de5eb4362599", "bea844f30e0fcc20fad419a0d11032a6465da93c1da185a1196949955994409a"}},
        {"eml/ukr.eml", 0, 0, true, "23f8a2b9bc1216f0338824f33e529967a804a82cb862852b868fec5801ba374a", {}},
    };
    return files;
}

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        ::closedir(dir);
    }
    return names;
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::vector<std::uint8_t> IidBytes(const platform::IID& iid)
{
    const auto bytes = platform::GuidToBytes(iid);
    return {bytes.begin(), bytes.end()};
}

class CliCorpus : public CliTest, public ::testing::WithParamInterface<CorpusFile> {};

} // namespace

TEST_P(CliCorpus, ReadsLikeThePeerTool)
{
    const std::string corpus = PALLION_CORPUS_DIR;
    if (!FileExists(corpus + "/MANIFEST.md")) {
        GTEST_SKIP() << "no corpus at " << corpus;
    }
    const CorpusFile& file = GetParam();
    const std::string path = corpus + "/" + file.path;

    EXPECT_EQ(Run({"tree", path}).status, file.status);
    EXPECT_EQ(Run({"tree", "--raw", "--json", path}).status, file.status);
    EXPECT_EQ(Run({"check", path}).status, file.check);
    // Every record checked (0 or 3) unless the stream is damaged.
    const int checksum = Run({"checksum", path}).status;
    EXPECT_TRUE(file.status != 0 ? checksum == file.status : checksum == 0 || checksum == 3)
        << checksum;

    const std::string folder = Scratch() + "extracted-" + IdentifierOf(file.path);
    const CliResult extracted = Run({"extract", path, folder});
    EXPECT_EQ(extracted.status, file.status) << extracted.err;
    std::vector<std::string> ours;
    for (const std::string& name : FolderEntries(folder)) {
        std::vector<std::uint8_t> prefix;
        if (EndsWith(name, ".tnef")) {
            prefix = IidBytes(platform::IID_IMessage);
        } else if (EndsWith(name, ".ole")) {
            prefix = IidBytes(platform::IID_IStorage);
        }
        ours.push_back(Sha256Of(folder + "/" + name, prefix));
    }
    std::vector<std::string> expected(file.attachments.begin(), file.attachments.end());
    std::sort(ours.begin(), ours.end());
    std::sort(expected.begin(), expected.end());
    if (file.peerRead) {
        EXPECT_EQ(ours, expected) << extracted.out;
    } else {
        EXPECT_TRUE(std::includes(ours.begin(), ours.end(), expected.begin(), expected.end()))
            << extracted.out;
    }

    const std::string body = Scratch() + "body.out";
    const CliResult saved = Run({"body", path, body});
    if (*file.body) {
        ASSERT_EQ(saved.status, file.status) << saved.err;
        EXPECT_EQ(Sha256Of(body), file.body);
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, CliCorpus, ::testing::ValuesIn(CorpusFiles()),
                         [](const ::testing::TestParamInfo<CorpusFile>& param) {
                             return IdentifierOf(param.param.path);
                         });

namespace {

// Words of each body as a person reads it, and for bodies that wrap HTML (\\fromhtml1) a
// phrase of the HTML they give back (empty for the others).
struct BodyWords {
    const char* path;
    const char* text;
    const char* html;
};

const BodyWords kBodyWords[] = {
    {"tnef/IPM-DistList.tnef", "Will send the second half same way.", "Comcast allows"},
    {"tnef/MAPI_ATTACH_DATA_OBJ.tnef", "bod\u00f8damene er noe mer j\u00e5lete/velkledde", ""},
    {"tnef/MAPI_OBJECT.tnef", "October Discounted Price List", ""},
    {"tnef/attachments.tnef", "Casdasdfasdfasd", ""},
    {"tnef/bad_checksum.tnef", "enjoy Mediterranean Delight", ""},
    {"tnef/body.tnef", "THE BILL OF RIGHTS", ""},
    {"tnef/bug52400-winmail-simple.dat", "This is the message body.", ""},
    {"tnef/christmas.tnef", "Oh! What a Christmas to remember", ""},
    {"tnef/data-before-name.tnef", "asdf", ""},
    {"tnef/horde-TnefAttachmentsMultiple.tnef", "The Horde Project", ""},
    {"tnef/missing-filenames.tnef", "Sue has encountered a Date problem", ""},
    {"tnef/multi-value-attribute.tnef", "a voice mail from Curie Conf Room", "Curie Conf Room"},
    {"tnef/panic.tnef", "Vill att n\u00e5gon av er g\u00f6r f\u00f6ljande", ""},
    {"tnef/quick-winmail.dat", "Five files from Hell!", ""},
    {"tnef/rtf.tnef", "Senior Engineer", ""},
    {"tnef/triples.tnef", "Sample description", ""},
    {"tnef/umlaut-filename.tnef", "Habe in den Namen mal ein \u00f6 eingef\u00fcgt", ""},
    {"tnef/umlaut.tnef", "TEST \u00e4\u00f6\u00fc +-*/~", "TEST"},
    {"tnef/unicode-mapi-attr-name.tnef", "Przesy\u0142am poprawiony plik", ""},
    {"tnef/winmail-10193.tnef", "V\u00e1\u017een\u00e1 pan\u00ed doktorko", ""},
    {"eml/rich-text.eml", "Strangers meet and willingly surrender", ""},
    {"eml/roundcube-tnef3.eml", "Casdasdfasdfasd", ""},
    {"eml/ukr.eml", "\u0448\u043e\u0441\u0442\u0438\u0439", ""},
    {"msg/53784_succeeds.msg", "In response to your query of April 11", "Aftergood"},
    {"msg/58214_with_attachment.msg", "Vestibulum orci purus", "Vestibulum orci purus"},
    {"msg/HTMLBodyBinary_CP1251.msg", "HTML \u0430\u0432\u0442\u043e\u043c\u0430\u0442\u0438\u0447\u0435\u0441\u043a\u0438", ""},
    {"msg/bug66335.msg", "Deine Bestellbest\u00e4tigung", "Bestellbest"},
    {"msg/cyrillic_message.msg", "\u0412\u0430\u0448\u0435 \u0441\u043e\u043e\u0431\u0449\u0435\u043d\u0438\u0435", ""},
    {"msg/example_sent_unicode.msg", "The quick brown fox jumps over the lazy dog", "quick brown fox"},
    {"msg/message_normal_submission_chunk.msg", "Williams Architects", "Mail Manager licences"},
    {"msg/msgClassAppointment.msg", "This is a meeting to discuss jumping", "discuss jumping"},
    {"msg/multiple-encodings.msg", "This is your third encoding", "third encoding"},
    {"msg/outlook_30_msg.msg", "shutting down the IN-SPIRE servers", ""},
    {"msg/plain_unsent.msg", "The body is in plain text", ""},
    {"msg/unicode.msg", "MS Outlook MSG Extractor", "MS Outlook MSG Extractor"},
};

class CliBodyForms : public CliTest, public ::testing::WithParamInterface<BodyWords> {};

std::string Text(const std::vector<std::uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

TEST_P(CliBodyForms, TextAndWrappedHtmlHoldTheBodysWords)
{
    const std::string corpus = PALLION_CORPUS_DIR;
    if (!FileExists(corpus + "/MANIFEST.md")) {
        GTEST_SKIP() << "no corpus at " << corpus;
    }
    const BodyWords& body = GetParam();
    const std::string path = corpus + "/" + body.path;
    const std::string out = Scratch() + "body.form";
    const CliResult text = Run({"body", "--format", "text", path, out});
    ASSERT_TRUE(text.status == 0 || text.status == 4) << text.err;
    EXPECT_NE(Text(ReadFile(out)).find(body.text), std::string::npos);
    if (*body.html) {
        ASSERT_EQ(Run({"body", "--format=html", path, out}).status, 0);
        const std::string html = Text(ReadFile(out));
        EXPECT_NE(html.find(body.html), std::string::npos);
        EXPECT_NE(html.find('<'), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, CliBodyForms, ::testing::ValuesIn(kBodyWords),
                         [](const ::testing::TestParamInfo<BodyWords>& param) {
                             return IdentifierOf(param.param.path);
                         });
