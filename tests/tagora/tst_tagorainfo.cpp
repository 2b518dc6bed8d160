// SPDX-License-Identifier: Apache-2.0
// The PDF information library on real files: what it reads, what it writes, and what
// independent readers find in the files afterwards (the qpdf library everywhere; pdfinfo,
// and mutool where they run).
#include "TagoraTest.h"
#include "tagora/PdfText.h"
#include "tagora/RevisionHistory.h"

#include <chrono>
#include <regex>

namespace {

using Xref = PdfMaker::Xref;
using Where = PdfMaker::Info;
using Crypt = PdfMaker::Crypt;

// An XMP packet as PDF/A files carry it: identification, dates, tools, a property of a
// namespace of its own, and the equivalents of four Info entries.
const std::string PdfAPacket =
    "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"
    "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
    "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description rdf:about=\"\" "
    "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\" "
    "xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\" "
    "xmlns:pdfx=\"http://ns.adobe.com/pdfx/1.3/\" xmlns:c=\"http://example.com/c/\" "
    "pdfaid:part=\"2\" pdfaid:conformance=\"B\" xmp:CreateDate=\"2020-01-02T03:04:05Z\" "
    "xmp:CreatorTool=\"Writer\" pdf:Producer=\"Prod\" pdf:Keywords=\"old, words\" "
    "pdfx:Edition=\"1\" c:Thing=\"kept\"><dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">Old"
    "</rdf:li></rdf:Alt></dc:title><dc:creator><rdf:Seq><rdf:li>Old author</rdf:li></rdf:Seq>"
    "</dc:creator><dc:description><rdf:Alt><rdf:li xml:lang=\"x-default\">Sujet \xC3\xA9"
    "</rdf:li></rdf:Alt></dc:description></rdf:Description></rdf:RDF></x:xmpmeta>" +
    std::string(1000, ' ') + "<?xpacket end=\"w\"?>";

bool contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

// Seconds since 1970 of a PDF date "D:YYYYMMDDHHmmSS+HH'mm'"; -1 for another form.
std::int64_t secondsOf(const std::string &date)
{
    std::smatch m;
    if (!std::regex_match(
            date, m, std::regex(R"(D:(\d{4})(\d\d)(\d\d)(\d\d)(\d\d)(\d\d)([+-])(\d\d)'(\d\d)')")))
        return -1;
    auto n = [&](std::size_t i) {
        return std::stoi(m[i]);
    };
    using namespace std::chrono;
    const sys_days day = year(n(1)) / n(2) / n(3);
    return day.time_since_epoch().count() * 86400 + n(4) * 3600 + n(5) * 60 + n(6) -
           (m[7] == "-" ? -1 : 1) * (n(8) * 3600 + n(9) * 60);
}

std::int64_t now()
{
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace

TEST_CASE_FIXTURE(Folder, "reads and writes Info wherever it lives")
{
    const std::pair<Xref, Where> rows[] = {
        {Xref::Table, Where::Indirect},        {Xref::Stream, Where::Indirect},
        {Xref::Stream, Where::InObjectStream}, {Xref::Table, Where::Direct},
        {Xref::Stream, Where::Direct},         {Xref::Table, Where::Missing}};
    for (const auto &[xref, where] : rows) {
        CAPTURE(int(xref) * 10 + int(where));
        // qpdf alone would answer Alpha, Source, Zeta, source.
        const fs::path path = make(
            "where ✓.pdf",
            PdfMaker{.xref = xref,
                     .info = where,
                     .infoBody = "<< /Zeta (z) /source (second) /Source (first) /Alpha [1 /x] >>"}
                .bytes());
        const std::string original = Support::readFile(path);
        const Entries before = where == Where::Missing ? Entries()
                                                       : Entries{{"Zeta", "z"},
                                                                 {"source", "second"},
                                                                 {"Source", "first"},
                                                                 {"Alpha", "[ 1 /x ]"}};
        // An entry it holds keeps its place; a new one goes last.
        Entries expected = before;
        if (expected.empty())
            expected = {{"Added", "new"}, {"Zeta", "changed"}};
        else
            expected[0].second = "changed", expected.emplace_back("Added", "new");

        // One save: the first change locks the file, nothing reaches it before the
        // commit, a read meanwhile answers with the pending entries.
        TagoraInfo info;
        const EventLog notes(info, path);
        CHECK(info.ReadInfo(u16(path)) == int(before.size()));
        CHECK(info.WriteInfoEntry(u16(path), u"Added", u"new") == int(before.size()) + 1);
        CHECK(info.WriteInfoEntry(u16(path), u"Zeta", u"changed") == int(expected.size()));
        const std::string done = "done " + utf8(path);
        CHECK(notes.events == Lines{"start", done + " ReadInfo", "start",
                                    "locked " + done + " WriteInfoEntry Added", "locked start",
                                    "locked " + done + " WriteInfoEntry Zeta"});
        CHECK(Support::readFile(path) == original);
        CHECK(readEntries(path) == before);
        CHECK(info.ReadInfo(u16(path)) == int(expected.size()));
        CHECK(utf8(info.InfoValue(0)) == expected[0].second);
        info.Commit();
        CHECK(!lockedForSaves(path));
        CHECK(Oracle::appendedRevisionProblems(original, path) == "");
        CHECK(readEntries(path) == expected);
    }
}

TEST_CASE_FIXTURE(Folder, "reads encodings and values that are not texts")
{
    const fs::path path = make(
        "values.pdf",
        PdfMaker{.infoBody =
                     "<< /Doc (\\205 \\240 caf\\351) /Be <FEFF0041D83DDE00> /U8 "
                     "(\357\273\277\303\234ber)"
                     " /My#20Key#23 (v) /Caf#C3#A9 (x) /N 12 /R -3.5 /B false /Nm /Some#20Name"
                     " /D << /K (v) >> /Ref 6 0 R /Gone null /Dangling 99 0 R /LE <FFFE4100E900>"
                     " /Esc <FEFF001B656E001B00480069> /Odd <FEFF004100> /#E9t#E9 (not UTF-8) >>"}
            .bytes());
    const std::string expected = "Doc=– € café|Be=A😀|U8=Über|My Key#=v|Café=x|N=12|R=-3.5|B=false|"
                                 "Nm=Some Name|D=<< /K (v) >>|Ref=Referenced value|LE=Aé|Esc=Hi|"
                                 "Odd=A|été=not UTF-8";
    CHECK(joined(readEntries(path)) == expected);
    // Writing another entry keeps the values that are not texts as they were.
    TagoraInfo().WriteInfoEntry(u16(path), u"Title", u"T");
    CHECK(joined(readEntries(path)) == expected + "|Title=T");
    CHECK(Pdf::problems(path) == "");
}

TEST_CASE_FIXTURE(Folder, "writes texts and names that readers show exactly")
{
    const struct
    {
        std::string text;
        bool utf16;
    } rows[] = {
        {"A (parenthesised) \\ title", false},
        {"Émile – 50 € œuvre", false},
        {"日本語のタイトル", true},
        {"Smile 😀", true},
        // In PDFDocEncoding these would start with the bytes of a byte order mark.
        {"þÿ starts like a mark", true},
        {"Hash#sign(x)/[y]<z>{w}%", false},
        {"", false},
    };
    for (const auto &[text, utf16] : rows) {
        CAPTURE(text);
        // The text as the Title, and as the name and the value of a custom entry.
        const fs::path path = make("text.pdf");
        const std::size_t length = Support::readFile(path).size();
        TagoraInfo info;
        info.WriteInfoEntry(u16(path), u"Title", u16(text));
        info.WriteInfoEntry(u16(path), u16(text), u16(text));
        info.Commit();
        CHECK(Pdf::problems(path) == "");
        CHECK(readEntries(path) == Entries{{"Title", text}, {"Author", "An author"}, {text, text}});
        const std::map<std::string, std::string> all{
            {"Title", text}, {"Author", "An author"}, {text, text}};
        CHECK(Oracle::qpdf(path).info == all);
        if (Support::otherReadersRun()) {
            auto shown = Pdf::pdfinfo(path);
            CHECK(shown["Title"] + '|' + shown[text] == text + '|' + text);
        }
        // PDFDocEncoding whenever it holds the text.
        CHECK(contains(Support::readFile(path).substr(length), "<FEFF") == utf16);

        // Removing by the name as read finds it again; names are compared exactly.
        CHECK(info.ReadInfo(u16(path)) == 3);
        CHECK(info.RemoveInfoEntry(u16(path), u"title") == 0);
        CHECK(info.RemoveInfoEntry(u16(path), info.InfoName(2)) == 1);
        info.Commit();
        CHECK(readEntries(path) == Entries{{"Title", text}, {"Author", "An author"}});
    }
}

TEST_CASE_FIXTURE(Folder, "a save is one revision")
{
    // A save appends one revision, which keeps the provenance, stamps ModDate and writes
    // back what it read as it was (a name stays a name); another object's save appends its
    // own after it; a save that changes nothing writes nothing.
    for (const Xref xref : {Xref::Table, Xref::Stream}) {
        CAPTURE(int(xref));
        const fs::path path = make(
            "revision.pdf",
            PdfMaker{.xref = xref,
                     .infoBody =
                         "<< /Title (T) /Subject (S) /Creator (Writer 1.0) /Producer (Press 2.0)"
                         " /CreationDate (D:19991231235959+01'00') /ModDate (D:20000101000000Z)"
                         " /Trapped /True /N 42 /Hex <466972737420312E30> >>",
                     .contentBytes = 70000} // offsets beyond two bytes
                .bytes());
        const std::string original = Support::readFile(path);
        const std::int64_t before = now();
        TagoraInfo first;
        saveLikeTheFieldSet(first, path,
                            {{"Trapped", "True"}, {"N", "42"}, {"Hex", "First 1.0"}, {"New", "2"}});
        CHECK(Oracle::appendedRevisionProblems(original, path) == "");

        const std::string updated = Support::readFile(path);
        const std::string appended = updated.substr(original.size());
        CAPTURE(appended);
        const std::regex object(" obj\n");
        const std::ptrdiff_t objects = std::distance(
            std::sregex_iterator(appended.begin(), appended.end(), object), std::sregex_iterator());
        CHECK(objects == (xref == Xref::Table ? 1 : 2));
        CHECK(contains(appended, "/Type /XRef") == (xref == Xref::Stream));
        CHECK(contains(appended, "/Trapped /True /N 42 /Hex <466972737420312E30> /New (2)"));
        // Readers that seek entries by position need each one to be exactly 20 bytes.
        CHECK(std::regex_search(
                  appended,
                  std::regex(R"(\nxref\n(\d+ 1\n\d{10} \d{5} n(\r\n| \n| \r))+trailer\n)")) ==
              (xref == Xref::Table));
        Lines names;
        for (const auto &entry : readEntries(path))
            names.push_back(entry.first);
        CHECK(names == Lines{"Title", "Author", "Keywords", "Creator", "Producer", "CreationDate",
                             "ModDate", "Trapped", "N", "Hex", "New"});
        auto shown = Oracle::qpdf(path).info;
        CHECK(shown["Author"] == "Ünïcode author");
        CHECK(shown["Creator"] + shown["Producer"] == "Writer 1.0Press 2.0");
        CHECK(shown["CreationDate"] == "D:19991231235959+01'00'");
        CAPTURE(shown["ModDate"]);
        CHECK(secondsOf(shown["ModDate"]) >= before - 1);
        CHECK(secondsOf(shown["ModDate"]) <= now() + 1);

        // Given texts replace creator and producer; the creation date the save began
        // with comes back.
        TagoraInfo second;
        second.RemoveInfoEntry(u16(path), u"CreationDate");
        second.WriteStandardInfo(u16(path), u"T", u"", u"", u"", u"New maker", u"New press");
        second.Commit();
        CHECK(Oracle::appendedRevisionProblems(updated, path) == "");
        shown = Oracle::qpdf(path).info;
        CHECK(shown["Creator"] + shown["Producer"] == "New makerNew press");
        CHECK(shown["CreationDate"] == "D:19991231235959+01'00'");
        const std::string last = Support::readFile(path);
        TagoraInfo idle;
        idle.WriteInfoEntry(u16(path), u"N", u"42");
        idle.RemoveInfoEntry(u16(path), u"Absent");
        idle.Commit();
        CHECK(Support::readFile(path) == last);
    }
}

TEST_CASE_FIXTURE(Folder, "never overwrites the document with its Info")
{
    // A damaged file's /Info pointing at the catalog, the page tree, a page, a string, a number.
    for (const char *info : {"1 0 R", "2 0 R", "3 0 R", "6 0 R", "42"}) {
        CAPTURE(info);
        const fs::path path = make("pointing.pdf", PdfMaker{.trailerInfo = info}.bytes());
        TagoraInfo writer;
        writer.WriteInfoEntry(u16(path), u"Title", u"Mine");
        writer.Commit();
        CHECK(Pdf::problems(path) == "");
        const Oracle::QpdfView view = Oracle::qpdf(path);
        CHECK(view.pages == 1);
        CHECK(view.info == std::map<std::string, std::string>{{"Title", "Mine"}});
    }
}

TEST_CASE_FIXTURE(Folder, "appends a revision to encrypted files, with XMP in step with Info")
{
    // Saved twice (new values, then the old ones back), a file that qpdf encrypted with an
    // empty user password, or a plain one, takes a small revision each time that every
    // reader decrypts; the encryption and the first /ID stay; the XMP equivalents of what
    // the save wrote follow Info, and what it did not write stays.
    struct Row
    {
        std::optional<Crypt> crypt;
        bool xrefStream;
        bool xmp;
    };
    std::vector<Row> rows{{std::nullopt, false, true},
                          {std::nullopt, true, true},
                          {Crypt::Rc4CryptFilter, false, true},
                          {Crypt::Aes128ClearXmp, false, true}};
    for (const Crypt crypt : {Crypt::Rc4_40, Crypt::Rc4_128, Crypt::Aes128, Crypt::Aes256})
        for (const bool xrefStream : {false, true})
            for (const bool xmp : {false, true})
                rows.push_back({crypt, xrefStream, xmp});
    for (const auto &[crypt, xrefStream, xmp] : rows) {
        CAPTURE(int(crypt.value_or(Crypt(-1))));
        CAPTURE(xrefStream);
        CAPTURE(xmp);
        const PdfMaker maker{.xref = xrefStream ? Xref::Stream : Xref::Table,
                             .infoBody = "<< /Title (Old title) /Edition (1) >>",
                             .metadata = xmp ? PdfAPacket : ""};
        const fs::path path = make("encrypted.pdf", maker.bytes());
        REQUIRE((!crypt || PdfMaker::encrypt(make("plain.pdf", maker.bytes()), path, "", "owner",
                                             true, *crypt, xrefStream)));
        const std::string id = Oracle::qpdf(path).id;
        for (const auto &[title, edition] :
             {std::pair<std::string, std::string>{"Nouveau titre — ✓", "2 – ✓"},
              std::pair<std::string, std::string>{"Old title", "1"}}) {
            const std::string before = Support::readFile(path);
            TagoraInfo info;
            saveLikeTheFieldSet(info, path, {{"Edition", edition}, {"Other", "o"}}, u16(title));
            CHECK(Oracle::appendedRevisionProblems(before, path) == "");
            const std::string added = Support::readFile(path).substr(before.size());
            CHECK(added.size() < 8192);
            CHECK(contains(added, "/Type /XRef") == xrefStream);
            Oracle::QpdfView view = Oracle::qpdf(path);
            const std::string modDate = view.info["ModDate"];
            CHECK(view.info.erase("ModDate") == 1);
            CHECK(view.info == std::map<std::string, std::string>{{"Title", title},
                                                                  {"Author", "Ünïcode author"},
                                                                  {"Keywords", "k1, k2"},
                                                                  {"Edition", edition},
                                                                  {"Other", "o"}});
            CHECK(view.encrypted == bool(crypt));
            CHECK(view.id == id);
            // The save emptied Subject and wrote no XMP for a custom entry it did not hold.
            const std::optional<XmpPacket> packet = XmpPacket::parse(view.xmp);
            CHECK(utf8(!packet ? u"none"
                               : packet->title().value_or(u"-") + u"|" +
                                     packet->author().value_or(u"-") + u"|" +
                                     packet->keywords().value_or(u"-") + u"|" +
                                     packet->description().value_or(u"-") + u"|" +
                                     packet->pdfx(u"Edition").value_or(u"-") + u"|" +
                                     packet->pdfx(u"Other").value_or(u"-")) ==
                  (xmp ? title + "|Ünïcode author|k1, k2|-|" + edition + "|-" : "none"));
            // What the save did not write stays; both XMP dates are Info's ModDate.
            const std::string iso = utf8(PdfText::isoDate(u16(modDate)).value_or(u"?"));
            for (const auto &[tag, value] :
                 std::map<std::string, std::string>{{"pdfaid:part", "2"},
                                                    {"pdfaid:conformance", "B"},
                                                    {"xmp:CreateDate", "2020-01-02T03:04:05Z"},
                                                    {"xmp:CreatorTool", "Writer"},
                                                    {"pdf:Producer", "Prod"},
                                                    {"c:Thing", "kept"},
                                                    {"xmp:ModifyDate", iso},
                                                    {"xmp:MetadataDate", iso}})
                CHECK_MESSAGE(contains(view.xmp, '<' + tag + '>' + value + "</" + tag + '>') == xmp,
                              tag);
            if (Support::otherReadersRun())
                CHECK(Oracle::mutoolTitle(path) == title);
        }
    }
}

TEST_CASE_FIXTURE(Folder, "XMP where Info says nothing")
{
    // Info lacking a field reads XMP's; a save leaves a packet it cannot read as it was, and
    // says so.
    const struct
    {
        std::string info;
        std::string metadata;
        std::string read;
        bool warned;
    } rows[] = {
        {"", PdfAPacket, "Title=Old|Author=Old author|Subject=Sujet é|Keywords=old, words", false},
        {"<< /TITLE (Info's) >>", PdfAPacket,
         "TITLE=Info's|Author=Old author|Subject=Sujet é|Keywords=old, words", false},
        {"<< /Title (T) >>", "", "Title=T", false},
        {"<< /Title (T) >>",
         "<x:xmpmeta><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><unclosed>",
         "Title=T", true},
    };
    for (const auto &row : rows) {
        CAPTURE(row.read);
        const fs::path path =
            make("xmp.pdf", PdfMaker{.info = row.info.empty() ? Where::Missing : Where::Indirect,
                                     .infoBody = row.info,
                                     .metadata = row.metadata,
                                     .version = "2.0"}
                                .bytes());
        const std::string original = Support::readFile(path);
        CHECK(joined(readEntries(path)) == row.read);
        TagoraInfo writer;
        const EventLog log(writer);
        writer.WriteInfoEntry(u16(path), u"Added", u"a");
        writer.Commit();
        CHECK(std::count_if(log.log.begin(), log.log.end(), [](const std::string &line) {
                  return contains(line, "warning: the XMP metadata");
              }) == int(row.warned));
        // A packet with nothing to follow, or that cannot be read, keeps every byte.
        CHECK((row.metadata.empty() || Oracle::qpdf(path).xmp == row.metadata));
        CHECK(Oracle::appendedRevisionProblems(original, path) == "");
    }
}

TEST_CASE_FIXTURE(Folder, "rewrites files that cannot take a revision, keeping their encryption")
{
    // Damaged files that qpdf repairs, and an encrypted one with bytes after its end, are
    // written anew with nothing left beside them; then a save appends one revision.
    const std::string clean = PdfMaker{.infoBody = "<< /Zeta (z) /Title (T) >>"}.bytes();
    std::string noEnd = clean, beyond = clean, misplaced = clean;
    noEnd.replace(noEnd.rfind("%%EOF"), 5, "%%EOX");
    beyond.insert(beyond.rfind("startxref") + 10, "9");
    // The Info object's entry points three bytes into the object: qpdf repairs it.
    const std::size_t at = clean.find("5 0 obj");
    const std::string entry = std::to_string(at), moved = std::to_string(at + 3);
    misplaced.replace(misplaced.rfind(std::string(10 - entry.size(), '0') + entry + " 00000 n"), 10,
                      std::string(10 - moved.size(), '0') + moved);
    const Support::TempFolder folder;
    const fs::path path = folder / "Zoë ✓.pdf";
    REQUIRE(PdfMaker::encrypt(make("plain.pdf", clean), path, "", "o"));
    trail(path);
    const std::string encrypted = Support::readFile(path);
    for (const std::string &bytes : {clean + "garbage\n", noEnd, beyond, misplaced, encrypted}) {
        Support::writeFile(path, bytes);
        TagoraInfo info;
        info.RemoveInfoEntry(u16(path), u"Title");
        info.WriteInfoEntry(u16(path), u"Added", u"ζ first");
        info.WriteInfoEntry(u16(path), u"x#41y", u"escaped"); // a name escaped as when appended
        info.Commit();
        CHECK(Pdf::problems(path) == "");
        const std::string rewritten = Support::readFile(path);
        CHECK(rewritten.compare(0, bytes.size(), bytes) != 0);
        const Oracle::QpdfView view = Oracle::qpdf(path);
        CHECK(view.encrypted == (bytes == encrypted));
        CHECK(view.info == std::map<std::string, std::string>{
                               {"Zeta", "z"}, {"Added", "ζ first"}, {"x#41y", "escaped"}});
        // qpdf's writer sorts the keys; the object keeps its own order for the next save.
        info.WriteInfoEntry(u16(path), u"Added", u"second");
        info.WriteInfoEntry(u16(path), u"More", u"third");
        info.Commit();
        CHECK(Oracle::appendedRevisionProblems(rewritten, path) == "");
        CHECK(readEntries(path) ==
              Entries{{"Zeta", "z"}, {"Added", "second"}, {"x#41y", "escaped"}, {"More", "third"}});
        CHECK(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()) == 1);
    }
}

TEST_CASE_FIXTURE(Folder, "makes XMP for a file without it, as the mode says")
{
    // The packet comes in the revision that writes Info (or in the file written anew), holds
    // Info's entries, and is the one a second save updates; readers that are not ours find
    // it, and the history counts both saves as document information only.
    using Mode = TagoraInfo::XmpMode;
    const struct
    {
        std::string version;
        std::optional<Crypt> crypt;
        Xref xref;
        Where where;
        std::optional<Mode> mode; // none: the default
        bool rewrite;             // bytes after the end: written anew
        bool made;
    } rows[] = {
        {"2.0", std::nullopt, Xref::Table, Where::Indirect, std::nullopt, false, true},
        {"2.0", Crypt::Aes256, Xref::Stream, Where::Indirect, std::nullopt, false, true},
        {"2.0", Crypt::Aes128ClearXmp, Xref::Table, Where::Indirect, Mode::Update, false, true},
        {"2.0", std::nullopt, Xref::Stream, Where::Direct, Mode::Update, false, true},
        {"2.0", std::nullopt, Xref::Table, Where::Indirect, std::nullopt, true, true},
        {"1.7", std::nullopt, Xref::Table, Where::Indirect, Mode::Update, false, false},
        {"1.7", std::nullopt, Xref::Table, Where::Indirect, Mode::Create, false, true},
        {"2.0", std::nullopt, Xref::Table, Where::Indirect, Mode::Keep, false, false},
    };
    for (const auto &row : rows) {
        CAPTURE(&row - rows); // the row's number
        const PdfMaker maker{.xref = row.xref,
                             .info = row.where,
                             .infoBody = "<< /Title (Old) /Author (An author) /Subject (S) "
                                         "/Keywords (k) /Producer (Prod) /CreationDate "
                                         "(D:20200102030405Z) /Edition (1) /My#20Field (x) >>",
                             .version = row.version,
                             .catalogEntries = "/Lang (en-GB)"};
        const fs::path path = make("noxmp.pdf", maker.bytes());
        REQUIRE(
            (!row.crypt || PdfMaker::encrypt(make("plain.pdf", maker.bytes()), path, "", "owner",
                                             true, *row.crypt, row.xref == Xref::Stream)));
        if (row.rewrite)
            trail(path);
        const std::string original = Support::readFile(path);
        std::string lastInstance, documentId;
        int xmpObject = 0;
        for (const auto &[title, edition] : {std::pair<std::string, std::string>{"New title", "2"},
                                             std::pair<std::string, std::string>{"Second", "3"}}) {
            const std::string before = Support::readFile(path);
            const std::string catalog = Oracle::qpdf(path).catalog;
            const bool rewritten = row.rewrite && title == "New title";
            TagoraInfo info;
            if (row.mode)
                info.setXmpMode(*row.mode);
            info.WriteStandardInfo(u16(path), u16(title), u"An author", u"S", u"k", u"", u"");
            info.WriteInfoEntry(u16(path), u"Edition", u16(edition));
            info.Commit();
            CHECK((rewritten ? Pdf::problems(path)
                             : Oracle::appendedRevisionProblems(before, path)) == "");
            const Oracle::QpdfView view = Oracle::qpdf(path);
            // Written anew, the catalog names other numbers.
            CHECK((rewritten || view.catalog == catalog));
            CHECK(view.xmp.empty() == !row.made);
            if (!row.made)
                continue;
            const std::optional<XmpPacket> packet = XmpPacket::parse(view.xmp);
            REQUIRE(packet);
            std::string fields;
            for (const auto &[name, value] :
                 packet->customFields().value_or(std::vector<XmpPacket::Field>{{u"none", u""}}))
                fields += '|' + utf8(name) + '=' + utf8(value);
            CHECK(utf8(packet->title().value_or(u"-") + u"|" + packet->author().value_or(u"-") +
                       u"|" + packet->description().value_or(u"-") + u"|" +
                       packet->keywords().value_or(u"-")) +
                      fields ==
                  title + "|An author|S|k|Edition=" + edition + "|My Field=x");
            const std::string modDate =
                utf8(PdfText::isoDate(u16(view.info.at("ModDate"))).value_or(u"?"));
            for (const std::string &property :
                 Lines{"<pdf:Producer>Prod</pdf:Producer>",
                       "<xmp:CreateDate>2020-01-02T03:04:05Z</xmp:CreateDate>",
                       "<xmp:ModifyDate>" + modDate + "</xmp:ModifyDate>"})
                CHECK_MESSAGE(contains(view.xmp, property), property);
            // One packet: a second save updates the first one's stream, the document's
            // identifier stays, the instance's is new.
            std::smatch document, instance;
            REQUIRE(std::regex_search(view.xmp, document,
                                      std::regex("<xmpMM:DocumentID>uuid:[-0-9a-f]{36}<")));
            REQUIRE(std::regex_search(view.xmp, instance,
                                      std::regex("<xmpMM:InstanceID>uuid:[-0-9a-f]{36}<")));
            CHECK(((documentId.empty() || document.str() == documentId) &&
                   instance.str() != lastInstance));
            CHECK((xmpObject == 0 || view.xmpObject == xmpObject));
            documentId = document.str();
            lastInstance = instance.str();
            xmpObject = view.xmpObject;
            // In clear exactly when the file is not encrypted or leaves metadata so.
            CHECK(contains(Support::readFile(path).substr(rewritten ? 0 : before.size()),
                           "<?xpacket begin") ==
                  (!row.crypt || row.crypt == Crypt::Aes128ClearXmp));
            if (Support::otherReadersRun()) {
                const std::string file = utf8(path);
                // poppler decrypts even a packet that the file leaves in clear.
                CHECK((row.crypt == Crypt::Aes128ClearXmp ||
                       contains(Support::run("pdfinfo", {"-meta", file}).out, title)));
                CHECK(contains(Support::run("exiftool", {"-j", "-XMP:Title", file}).out,
                               "\"Title\": \"" + title + '"'));
                CHECK(
                    Support::run("/usr/bin/python3", {"-c",
                                                      "import pikepdf, sys\n"
                                                      "with pikepdf.open(sys.argv[1]) as pdf:\n"
                                                      "    print(pdf.open_metadata()['dc:title'])",
                                                      file})
                        .out == title + "\n");
            }
        }
        // Both saves changed the document information only: the file cuts back.
        const std::vector<Revision> revisions = RevisionHistory::read(u16(path));
        for (const Revision &revision : revisions)
            CHECK(revision.otherChanges.empty());
        TagoraInfo().TruncateToRevision(u16(path), 1, 0);
        CHECK(Support::readFile(path).size() == std::size_t(revisions[0].end));
    }
}
