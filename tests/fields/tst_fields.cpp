// SPDX-License-Identifier: Apache-2.0
// The field set: naming rules and keys, then reading and writing real PDFs through the
// PDF library, checked by the qpdf library.
#include "automation/Variant.h"
#include "fields/clsFields.h"
#include "support/Boxes.h"
#include "tagora/TagoraTest.h"

using Automation::Variant;
using Fields::clsFields;

namespace {

Lines customNames(const clsFields &set)
{
    Lines names;
    for (int i = 1; i <= set.Count(); ++i)
        names.push_back(utf8(set.Field(i)->Name()));
    return names;
}

// The events a set raises, in order.
struct Recorder : clsFields::Events
{
    explicit Recorder(clsFields &set) { set.setEvents(this); }
    void WorkEnded(bool result) override { ended.push_back(result); }
    void WorkPercent(std::int16_t percent) override { percents.push_back(percent); }
    void WorkError(std::int32_t number) override { errors.push_back(number); }

    std::vector<bool> ended;
    std::vector<int> percents;
    std::vector<int> errors;
};

// A folder, and the message boxes: every one shown must be taken.
struct Fixture
{
    Support::TempFolder dir;
    Boxes boxes;
    ~Fixture() { CHECK(boxes.take().empty()); }

    // The prompt of the one box shown since the last call.
    std::string box()
    {
        const auto prompts = boxes.takePrompts();
        return prompts.size() == 1 ? utf8(prompts[0]) : std::to_string(prompts.size()) + " boxes";
    }
};

} // namespace

TEST_CASE("names and keys")
{
    // The eight reserved names are refused as written exactly; any other spelling is a
    // custom field. Keys ignore letter case and keep the first spelling.
    clsFields set;
    for (const char16_t *reserved : {u"Title", u"Author", u"Subject", u"Keywords", u"Creator",
                                     u"Producer", u"CreationDate", u"ModDate"})
        CHECK(!set.AddField(reserved, u"x"));
    CHECK(set.IsValidFieldName({}));
    for (const char16_t *name : {u"title", u" Source", u"Source", u"SOURCE", u"ModDate "})
        set.AddField(name, name);
    CHECK(customNames(set) == Lines{"title", " Source", "Source", "ModDate "});
    const clsFields::FieldRef source = set.Field(u"source");
    REQUIRE(source);
    CHECK(source->Content() == u"Source");

    // Positions from 1; anything else is none, silently.
    CHECK(set.Field(3) == source);
    for (const Variant &none :
         {Variant(0), Variant(5), Variant(), Variant(true), Variant(u"missing")}) {
        CAPTURE(none.toText());
        CHECK(!set.Field(none));
    }
    // Handed out by reference: the set sees the change.
    set.Field(3)->setContent(u"changed");
    CHECK(set.Field(u"SOURCE")->Content() == u"changed");

    // Removed, a field goes back at the end; standard fields are never removed, the custom
    // "title" is; the keys go with the fields.
    set.setTitle(u"T");
    const clsFields::FieldRef removed = set.RemoveField(u"TITLE");
    REQUIRE(removed);
    CHECK(removed->Name() == u"title");
    set.AddField(removed->Name(), removed->Content());
    CHECK(customNames(set) == Lines{" Source", "Source", "ModDate ", "title"});
    CHECK(!set.RemoveField(u"missing"));
    CHECK(set.RemoveField(u"Title")->Name() == u"title");
    CHECK(!set.RemoveField(u"Title"));
    CHECK(set.Title() == u"T");
    set.Clear();
    CHECK(set.Count() == 0);
    CHECK(set.Title() == u"T");
    CHECK(!set.Field(u"Source"));
    set.setKeywords(u"K");
    set.ClearAll();
    CHECK(set.Title() + set.Author() + set.Subject() + set.Keywords() == u"");
}

TEST_CASE_FIXTURE(Fixture, "a read sorts the entries and a write replaces them")
{
    // qpdf writes the keys sorted: " Title", Author, CreationDate, Creator, Custom, Drop,
    // Empty, ModDate, Producer, Source, TITLE, source.
    const fs::path path = dir / "in.pdf";
    Pdf::make(path,
              {{"TITLE", "Upper title"},
               {" Title", "padded"},
               {"Author", "Zoë — 日本語"},
               {"Creator", "maker"},
               {"Producer", "press"},
               {"CreationDate", "D:20200101000000Z"},
               {"ModDate", "D:20200102000000Z"},
               {"Empty", ""},
               {"Custom", "value"},
               {"Drop", "me"},
               {"Source", "first"},
               {"source", "second"}},
              true);
    clsFields set;
    set.AddField(u"Stale", u"from before");
    Recorder events(set);
    set.GetDatas(u16(path));
    CHECK(set.Title() == u"Upper title");
    CHECK(set.Author() == u"Zoë — 日本語");
    CHECK(customNames(set) == Lines{" Title", "Custom", "Drop", "Source"});
    CHECK(set.Field(u"source")->Content() == u"first");
    CHECK(events.ended == std::vector<bool>{true});
    CHECK(events.percents.empty());

    // Every entry the file lists is removed, then the set is written: the standard fields
    // first, then the custom ones in the set's order.
    set.setTitle(u"Nouveau titre — été");
    set.RemoveField(u"Drop");
    set.AddField(u"My Field", u"with space");
    set.SaveDatas(u16(path));
    CHECK(Pdf::problems(path) == "");
    Lines names;
    for (const auto &entry : readEntries(path))
        names.push_back(entry.first);
    CHECK(names == Lines{"Title", "Author", "Creator", "Producer", "CreationDate", "ModDate",
                         " Title", "Custom", "Source", "My Field"});
    auto info = Oracle::qpdf(path).info;
    CHECK(info["Title"] + '|' + info["Author"] + '|' + info["Source"] + '|' + info["My Field"] ==
          "Nouveau titre — été|Zoë — 日本語|first|with space");
}

TEST_CASE_FIXTURE(Fixture, "progress is rounded half to even")
{
    const struct
    {
        int entries, fields;
        std::vector<int> expected;
    } rows[] = {{0, 3, {33, 67, 100}}, {6, 2, {12, 25, 38, 50, 62, 75, 88, 100}}, {0, 0, {}}};
    for (const auto &[entries, fields, expected] : rows) {
        CAPTURE(entries);
        CAPTURE(fields);
        const fs::path path = dir / "p.pdf";
        Pdf::Entries info;
        for (int i = 0; i < entries; ++i)
            info.emplace_back("Entry" + std::to_string(i), "v");
        Pdf::make(path, info);
        clsFields set;
        for (int i = 0; i < fields; ++i)
            set.AddField(u16("Field" + std::to_string(i)), u"v");
        set.setTitle(u"written in every case");
        Recorder events(set);
        set.SaveDatas(u16(path));
        CHECK(events.percents == expected);
        CHECK(events.ended.size() == 1);
        CHECK(Oracle::qpdf(path).info["Title"] == "written in every case");
    }
}

TEST_CASE_FIXTURE(Fixture, "failures end the work and reach the caller")
{
    // Not a PDF: the read fails, nothing is written, the set reports and ends.
    const fs::path text = Support::writeFile(dir / "notes.pdf", "just some text\n");
    clsFields set;
    set.AddField(u"Kept", u"v");
    Recorder events(set);
    set.SaveDatas(u16(text));
    CHECK(Support::readFile(text) == "just some text\n");
    CHECK(events.ended.size() == 1);
    CHECK(events.percents.empty());
    REQUIRE(events.errors.size() == 1);
    std::string prompt = box();
    CAPTURE(prompt);
    CHECK(prompt.rfind("(OrvFields.clsFields.SaveDatas) Error " + std::to_string(events.errors[0]) +
                           " : ",
                       0) == 0);
    CHECK(prompt.find(utf8(text)) != std::string::npos);
    CHECK(prompt.substr(prompt.size() - 7) == " Line 2");

    // A missing file: the read empties the set, reports, and ends.
    set.setTitle(u"old");
    set.GetDatas(u16(dir / "missing.pdf"));
    CHECK(set.Count() == 0);
    CHECK(set.Title() == u"");
    CHECK(events.ended.size() == 2);
    CHECK(box().rfind("(OrvFields.clsFields.GetDatas) Error ", 0) == 0);

    // Another writer holds the file: the save stops at the first removal, before any
    // change; reading needs no lock.
    const fs::path path = dir / "locked.pdf";
    Pdf::make(path, {{"Title", "T"}, {"Other", "o"}});
    const std::string original = Support::readFile(path);
    Tagora::TagoraInfo holder;
    holder.LockFile(u16(path), 0);
    set.GetDatas(u16(path));
    CHECK(set.Title() == u"T");
    Recorder locked(set);
    set.SaveDatas(u16(path));
    CHECK(Support::readFile(path) == original);
    CHECK(locked.percents.empty());
    CHECK(locked.errors == std::vector<int>{Tagora::FileLocked});
    prompt = box();
    CHECK(prompt.substr(prompt.size() - 7) == " Line 6");

    // The commit fails (a rewrite qpdf would write wrongly): the file is as it was.
    const fs::path refused = dir / "refused.pdf";
    REQUIRE(PdfMaker::encrypt(Support::writeFile(dir / "plain.pdf", PdfMaker().bytes()), refused,
                              "", "owner"));
    alter(refused, "/Length 128", "/LenGth 128");
    const std::string before = Support::readFile(refused);
    set.SaveDatas(u16(refused));
    CHECK(Support::readFile(refused) == before);
    prompt = box();
    CAPTURE(prompt);
    CHECK(prompt.rfind("(OrvFields.clsFields.SaveDatas) Error " +
                           std::to_string(Tagora::RewriteRefused) + " : " + utf8(refused),
                       0) == 0);
    CHECK(prompt.substr(prompt.size() - 8) == " Line 10");
}
