// SPDX-License-Identifier: Apache-2.0
// The whole use case on the headless toolkit: the host's publication tree handed to
// OrvFields.MainForm, Show, the dialog opened on the host's selected book, edited with
// the mouse and the keyboard, and Apply rewriting the PDF, which is then read back by
// qpdf's check and by our library. The dialog is reached as a user reaches it, through
// its controls' names; message boxes are recorded.
#include "automation/Object.h"
#include "dialog/frmMain.h"
#include "fields/clsFields.h"
#include "host/model/PublicationReader.h"
#include "host/model/PublicationTree.h"
#include "platform/KeyCodes.h"
#include "plugin/MainForm.h"
#include "support/Boxes.h"
#include "support/Files.h"
#include "support/Headless.h"
#include "support/Pdf.h"

#include <algorithm>
#include <functional>

using namespace Platform;
using Support::the;
using Support::u16;
using Support::utf8;
namespace User = Platform::Headless;
namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace {

const std::string Success = "64 PDF fields: Process complete with success.";
// Display states, as look() describes them.
const std::string NoPdf = "lblPerso:off,17 cmdPersoAdd:off cmdPersoDel:off cmdApply:off "
                          "cmdCancel:on cmbBooks:on lblField:off,17 txtField:off,22 "
                          "UserFields:off boxNoFile lblInfoError";
const std::string Ready = "lblPerso:on,18 cmdPersoAdd:on cmdPersoDel:on cmdApply:on cmdCancel:on "
                          "cmbBooks:on lblField:on,18 txtField:on,5 UserFields:on";

// The books, in tree order: one not published, two published, one whose PDF is gone.
constexpr int Draft = 0, Handbook = 1, Notes = 2, Lost = 3;

const std::string PublicationXml = R"(<publication title="Tests">
  <book name="Draft"><node name="Outline"/></book>
  <book name="Handbook" pdf="handbook.pdf"><node name="Book one"><node name="Chapter 1"/></node></book>
  <book name="Notes" pdf="notes.pdf"/>
  <book name="Lost" pdf="lost.pdf"/>
</publication>)";

const Pdf::Entries HandbookInfo = {
    {"Title", "Handbook"}, {"Author", "Ann Writer"}, {"Subject", "Testing"}, {"Keywords", "a, b"},
    {"Creator", "Tests"},  {"Field1", "one"},        {"Field4", "four"},     {"Source", "archive"},
};
const Pdf::Entries NotesInfo = {
    {"Title", "Notes"},  {"Author", "Bob"},   {"Field10", "ten"},
    {"Field3", "three"}, {"Champs2", "deux"},
};
// The Handbook as the dialog shows it.
const Lines HandbookShown{"Handbook",   "Ann Writer",  "Testing",       "a, b",
                          "Field1=one", "Field4=four", "Source=archive"};

// A standard field's box ("txtField_"), or a box of visual row i of the field list
// ("txtFieldName_", "txtFieldValue_").
TextBox &box(Form &dialog, const char *kind, int i)
{
    return the<TextBox>(dialog, kind + std::to_string(i));
}
void click(Form &dialog, const char *name)
{
    User::click(the(dialog, name));
}

// The system colour a control was given, by its index; -1 for a plain colour.
std::string colourIndex(OleColor colour)
{
    return std::to_string(IsSystemColor(colour) ? int(colour & 0xFF) : -1);
}

// The enabled state of the controls that a load sets, with the colour of labels and
// boxes (the four of a row in one when they agree), then the parts of the panel shown.
std::string look(Form &dialog)
{
    Lines names{"lblPerso", "cmdPersoAdd", "cmdPersoDel", "cmdApply", "cmdCancel", "cmbBooks"};
    for (int i = 0; i < 4; ++i)
        names.insert(names.end(),
                     {"lblField_" + std::to_string(i), "txtField_" + std::to_string(i)});
    std::string parts;
    const auto add = [&](const std::string &part) {
        if ((" " + parts + " ").find(" " + part + " ") == std::string::npos)
            parts += (parts.empty() ? "" : " ") + part;
    };
    for (const std::string &name : names) {
        const Control &control = the(dialog, name);
        std::string state = name.substr(0, name.find('_')) + (control.isEnabled() ? ":on" : ":off");
        if (name.starts_with("lbl"))
            state += "," + colourIndex(control.foreColor());
        else if (name.starts_with("txt"))
            state += "," + colourIndex(control.backColor());
        add(state);
    }
    // The list's own Enabled draws the boxes of its rows disabled.
    add(box(dialog, "txtFieldValue_", 0).isEnabled() ? "UserFields:on" : "UserFields:off");
    for (const char *name : {"boxNoFile", "lblInfo", "lblInfoError", "progress"})
        if (the(dialog, name).isVisible())
            add(name);
    return parts;
}

// The standard fields and the custom rows as the dialog shows them (all the tests'
// rows fit the list's six visual rows).
Lines shown(Form &dialog)
{
    Lines lines;
    for (int i = 0; i < 4; ++i)
        lines.push_back(utf8(box(dialog, "txtField_", i).text()));
    for (int i = 0; i < 6 && !box(dialog, "txtFieldName_", i).text().empty(); ++i)
        lines.push_back(utf8(box(dialog, "txtFieldName_", i).text() + u"=" +
                             box(dialog, "txtFieldValue_", i).text()));
    return lines;
}

// What a screen reader announces for the book list, the four boxes and the first row.
Lines accessibleNames(Form &dialog)
{
    Lines names;
    for (const char *name : {"cmbBooks", "txtField_0", "txtField_1", "txtField_2", "txtField_3",
                             "txtFieldName_0", "txtFieldValue_0"})
        names.push_back(utf8(User::accessibleName(the(dialog, name))));
    return names;
}

// Custom fields sorted: a rename moves a field to the end of the set, and so of the
// order in which it is written, while its row stays in place.
Lines sortedCustom(Lines lines)
{
    std::sort(lines.begin() + std::min<std::ptrdiff_t>(4, std::ptrdiff_t(lines.size())),
              lines.end());
    return lines;
}

// The file is clean for qpdf, and our library reads in it what the dialog showed (what
// other readers find in what the library writes is the tagora suite's).
void readBack(const fs::path &pdf, const Lines &onScreen)
{
    CHECK(Pdf::problems(pdf) == "");
    Fields::clsFields ours;
    ours.GetDatas(pdf.u16string());
    Lines read{utf8(ours.Title()), utf8(ours.Author()), utf8(ours.Subject()),
               utf8(ours.Keywords())};
    for (int i = 1; i <= ours.Count(); ++i)
        read.push_back(utf8(ours.Field(i)->Name() + u"=" + ours.Field(i)->Content()));
    CHECK(sortedCustom(read) == sortedCustom(onScreen));
}

// Edits a box the way a user does: select the text, type over it, press Enter.
void typeInto(TextBox &box, const std::u16string &text)
{
    box.setFocus();
    box.setSelection(0, int(box.text().size()));
    User::press(vbKeyDelete);
    User::type(text);
    User::press(vbKeyReturn);
}

// A host object that tells when it is let go.
struct HostObject : Automation::Object
{
    explicit HostObject(bool &gone) : released(gone) {}
    ~HostObject() override { released = true; }
    bool &released;
};

// A fresh publication for each test (Apply rewrites its PDFs), in the host's tree, and
// the plug-in that the host would create, in English unless told.
struct Publication
{
    Support::HeadlessRun headless;
    Boxes boxes;
    Support::TempFolder folder;
    Automation::Ref<Host::PublicationTree> tree = Automation::make<Host::PublicationTree>();
    Automation::Ref<Plugin::MainForm> plugin = Automation::make<Plugin::MainForm>();

    explicit Publication(int language = 1)
    {
        Pdf::make(pdf("handbook.pdf"), HandbookInfo);
        Pdf::make(pdf("notes.pdf"), NotesInfo, true);
        REQUIRE(Host::PublicationReader::read(PublicationXml, folder.path().u16string(),
                                              u"publication.xml", *tree) == u"");
        plugin->setPluginObject(tree);
        plugin->setLanguage(language);
    }

    fs::path pdf(const char *name) const { return folder / name; }

    // Selects `path` in the host's tree and runs the plug-in: `script` acts on the
    // dialog once it has loaded its book. False when the dialog was never shown.
    bool run(const std::u16string &path, const std::function<void(Form &)> &script = {})
    {
        tree->setSelectedNode(tree->nodeAt(path));
        bool ran = false;
        if (script)
            User::session([&](Form &dialog) {
                ran = true;
                script(dialog);
            });
        plugin->Show();
        return ran || !script;
    }
};

} // namespace

TEST_CASE("Unload lets go of the field set and the publication")
{
    Support::HeadlessRun headless;
    bool released = false;
    Dialog::frmMain dialog;
    dialog.Load();
    dialog.setPluginObject(Automation::make<HostObject>(released));
    CHECK((dialog.vFields() && !released));
    CHECK(dialog.Unload());
    CHECK((released && !dialog.vFields() && dialog.Canceled()));
}

TEST_CASE("books with and without a PDF; Cancel writes nothing")
{
    // Opens on the book of the host's selection, a node two levels below it, with the
    // whole Title selected.
    Publication p;
    const std::string before = Support::readFile(p.pdf("handbook.pdf"));
    CHECK(p.run(u"Handbook/Book one/Chapter 1", [&](Form &dialog) {
        auto &books = the<DropDownList>(dialog, "cmbBooks");
        CHECK(dialog.geometry() == Rect{0, 0, 343, 281}); // 5145 x 4215 twips at 96 DPI
        CHECK(look(dialog) == Ready);
        CHECK(shown(dialog) == HandbookShown);
        CHECK(box(dialog, "txtField_", 0).hasFocus());
        CHECK(User::selectedText(box(dialog, "txtField_", 0)) == u"Handbook");
        CHECK(accessibleNames(dialog) == Lines{"Book choice:", "Title", "Author", "Subject",
                                               "Keywords", "Name of Field1", "Value of Field1"});

        // Not published, or its file gone: the Handbook's values and rows stay, disabled;
        // another book still loads, Add numbering past its highest field, and the first
        // one again, without that edit.
        for (int book : {Draft, Lost}) {
            User::choose(books, book);
            CHECK(look(dialog) == NoPdf);
            CHECK(shown(dialog) == HandbookShown);
        }
        User::choose(books, Notes);
        click(dialog, "cmdPersoAdd");
        CHECK(shown(dialog) == Lines{"Notes", "Bob", "", "", "Champs2=deux", "Field10=ten",
                                     "Field3=three", "Field11=My value"});
        User::choose(books, Draft);
        User::choose(books, Handbook);
        CHECK(shown(dialog) == HandbookShown);
        // Cancel after an edit: nothing written, nothing said.
        box(dialog, "txtField_", 1).setText(u"Someone else");
        click(dialog, "cmdCancel");
    }));
    CHECK(p.boxes.take() == Lines());
    CHECK(Support::readFile(p.pdf("handbook.pdf")) == before);
}

TEST_CASE("editing: every edit reaches the set, renames and values checked first")
{
    // Enter and Escape press nothing; Apply writes what is on screen and closes.
    Publication p;
    Lines onScreen;
    CHECK(p.run(u"Handbook", [&](Form &dialog) {
        typeInto(box(dialog, "txtField_", 1), u"Zoë");
        // Add after Field1 and Field4 makes Field5; Remove takes the selected row out;
        // numbers are not handed out twice.
        click(dialog, "cmdPersoAdd");
        click(dialog, "cmdPersoDel");
        click(dialog, "cmdPersoAdd");
        CHECK(shown(dialog).back() == "Field6=My value");

        // Refused with a message, the box getting its text back: a name the set finds
        // (SOURCE for Source; Title, a name of the document), an empty name, an empty
        // value.
        TextBox &name = box(dialog, "txtFieldName_", 2);
        const std::string exists =
            "0 OrvFields: This field name exists, can not rename it with this name.";
        const std::string empty =
            " can not be empty.\r\nIf you want delete this field, use the delete button.";
        const std::tuple<TextBox *, std::u16string, std::string> refused[] = {
            {&name, u"SOURCE", exists},
            {&name, u"Title", exists},
            {&name, u"", "0 OrvFields: The field name" + empty},
            {&box(dialog, "txtFieldValue_", 2), u"", "0 OrvFields: The field value" + empty}};
        for (const auto &[box, text, message] : refused) {
            const std::u16string was = box->text();
            typeInto(*box, text);
            CHECK(p.boxes.take() == Lines{message});
            CHECK(box->text() == was);
        }
        // Taken without a message (the last take has them all): its own name.
        typeInto(name, u"Source");
        // Standard fields set, emptied and typed into; a rename, a value, a row removed.
        box(dialog, "txtField_", 0).setText(u"Handbook, second edition");
        box(dialog, "txtField_", 2).setText({});
        box(dialog, "txtField_", 3).setFocus();
        User::press(vbKeyEnd);
        User::type(u"; Zoë — 日本語");
        typeInto(name, u"Origin");
        typeInto(box(dialog, "txtFieldValue_", 1), u"FOUR");
        User::click(box(dialog, "txtFieldName_", 0));
        click(dialog, "cmdPersoDel");

        box(dialog, "txtField_", 0).setFocus();
        User::press(vbKeyEscape);
        the(dialog, "cmdApply").setFocus();
        User::press(vbKeyReturn);
        CHECK(dialog.isVisible());
        onScreen = shown(dialog);
        click(dialog, "cmdApply");
    }));
    CHECK(p.boxes.take() == Lines{Success});
    CHECK(onScreen == Lines{"Handbook, second edition", "Zoë", "", "a, b; Zoë — 日本語",
                            "Field4=FOUR", "Origin=archive", "Field6=My value"});
    readBack(p.pdf("handbook.pdf"), onScreen);
}

TEST_CASE("Apply on a locked file, then freed; long values kept whole")
{
    // A read-only file stands for any the lock test refuses. Values longer than a box of
    // the system's takes by default (32 767 characters), and different everywhere, so
    // that a cut anywhere shows.
    std::string longText;
    for (int i = 0; longText.size() < 100000; ++i)
        longText += std::to_string(i) + ' ';
    longText.resize(100000);
    Publication p;
    const fs::path file = p.pdf("notes.pdf");
    Pdf::make(file, {{"Title", "Notes"}, {"Subject", longText}, {"Long", longText}});
    const std::string before = Support::readFile(file);
    CHECK(p.run(u"Notes", [&](Form &dialog) {
        CHECK(utf8(box(dialog, "txtField_", 2).text()) == longText);
        box(dialog, "txtField_", 1).setText(u"Carol");
        box(dialog, "txtFieldValue_", 0).setFocus();
        User::press(vbKeyEnd);
        User::type(u"!");
        User::press(vbKeyReturn);
        fs::permissions(file, fs::perms::owner_read);
        click(dialog, "cmdApply");
        CHECK(p.boxes.take() == Lines{"16 OrvFields: The PDF file is opened by another "
                                      "application or is read only, can not apply."});
        // Still open, ready, the edit in place, nothing written.
        CHECK(dialog.isVisible());
        CHECK(look(dialog) == Ready);
        CHECK(Support::readFile(file) == before);
        fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
        click(dialog, "cmdApply");
    }));
    CHECK(p.boxes.take() == Lines{Success});
    readBack(file, {"Notes", "Carol", longText, "", "Long=" + longText + "!"});
}

TEST_CASE("input during the write changes nothing")
{
    // While Apply writes: a second Apply, typing, Add, Cancel and the close box change
    // nothing, and Apply still reports. The progress only ever grows: one write.
    Publication p;
    std::vector<int> progress;
    CHECK(p.run(u"Handbook", [&](Form &dialog) {
        const Control &bar = the(dialog, "progress");
        User::setWorkStep([&] {
            if (!bar.isVisible())
                return;
            progress.push_back(the<ProgressBar>(dialog, "progress").value());
            if (progress.size() != 1)
                return;
            click(dialog, "cmdApply");
            User::click(box(dialog, "txtField_", 0));
            User::type(u"typed");
            click(dialog, "cmdPersoAdd");
            click(dialog, "cmdCancel");
            User::closeBox(dialog);
            CHECK(dialog.isVisible());
        });
        click(dialog, "cmdApply");
        User::setWorkStep({});
        CHECK(shown(dialog) == HandbookShown);
    }));
    CHECK(progress.size() > 1);
    CHECK(std::is_sorted(progress.begin(), progress.end()));
    CHECK(p.boxes.take() == Lines{Success});
    readBack(p.pdf("handbook.pdf"), HandbookShown);
}

TEST_CASE("a close during a read abandons the read")
{
    // The dialog is closed while it reads a PDF of many fields: no row reaches the
    // closed dialog, and nothing is said.
    Publication p;
    Pdf::Entries many;
    for (int i = 1; i <= 400; ++i)
        many.push_back({"Entry" + std::to_string(i), "value " + std::to_string(i)});
    Pdf::make(p.pdf("notes.pdf"), many);
    int rowsAfterClose = 0;
    bool closed = false;
    User::setWorkStep([&] {
        Form *dialog = User::activeForm();
        if (closed || !dialog || !the(*dialog, "lblInfo").isVisible())
            return;
        box(*dialog, "txtFieldName_", 0).onChange = [&] {
            ++rowsAfterClose;
        };
        User::closeBox(*dialog);
        closed = true;
    });
    p.run(u"Notes");
    User::setWorkStep({});
    CHECK(closed);
    CHECK(rowsAfterClose == 0);
    CHECK(p.boxes.take() == Lines());
}

TEST_CASE("in French, names generated with the French word")
{
    // The word is "Champs": Field10 read from the PDF does not count.
    Publication p(0);
    Lines onScreen;
    CHECK(p.run(u"Notes", [&](Form &dialog) {
        CHECK(the<Button>(dialog, "cmdApply").caption() == u"Appliquer");
        CHECK(accessibleNames(dialog) == Lines{"Choix du livre :", "Titre", "Auteur", "Sujet",
                                               "Mots clés", "Nom du champ Champs2",
                                               "Valeur du champ Champs2"});
        click(dialog, "cmdPersoAdd");
        onScreen = shown(dialog);
        CHECK(onScreen.back() == "Champs3=Ma valeur");
        click(dialog, "cmdApply");
    }));
    CHECK(p.boxes.take() == Lines{"64 Champs PDF: Le processus c'est terminé sans erreurs."});
    readBack(p.pdf("notes.pdf"), onScreen);
}

TEST_CASE("numbers out of the 32-bit range")
{
    // A number past the range stops the load in its trap, before any row is listed; the
    // close box still works, and says nothing. Opening on a book other than the first
    // loads it twice: as the host's selection is taken over, then again.
    Publication p;
    Pdf::make(p.pdf("notes.pdf"), {{"Field99999999999", "x"}});
    CHECK(p.run(u"Notes", [&](Form &dialog) {
        CHECK(shown(dialog).size() == 4);
        CHECK(!the(dialog, "cmdPersoDel").isEnabled());
        User::closeBox(dialog);
    }));
    const std::string overflow =
        "0 OrvFields: (OrvFieldsfrmMain.cmbBooks_Click) Error 6 : Overflow Line 7";
    CHECK(p.boxes.take() == Lines{overflow, overflow});

    // The largest number loads; Add past it is refused in its trap, adding nothing.
    Pdf::make(p.pdf("handbook.pdf"), {{"Field2147483647", "last"}});
    CHECK(p.run(u"Handbook", [&](Form &dialog) {
        click(dialog, "cmdPersoAdd");
        CHECK(p.boxes.take() == Lines{"0 OrvFields: (OrvFieldsfrmMain.cmdPersoAdd_Click) "
                                      "Error 6 : Overflow Line 1"});
        CHECK(shown(dialog).size() == 5);
        // Apply still works, and ends with success when the file was deleted meanwhile.
        CHECK(fs::remove(p.pdf("handbook.pdf")));
        click(dialog, "cmdApply");
    }));
    CHECK(p.boxes.take() == Lines{Success});
    CHECK(!fs::exists(p.pdf("handbook.pdf")));
}
