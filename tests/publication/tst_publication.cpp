// SPDX-License-Identifier: Apache-2.0
// The publication queries over host trees and over hosts that break.

#include "automation/ClassInfo.h"
#include "host/model/PublicationTree.h"
#include "platform/Toolkit.h"
#include "publication/mdlFunctions.h"
#include "publication/mdlTreeview.h"
#include "support/Boxes.h"
#include "support/Doctest.h"
#include "support/Files.h"

using namespace Automation;
using Host::PublicationTree;
using Support::u16;
using Texts = std::vector<std::u16string>;

namespace {

const std::u16string NodeTag = PublicationTree::NodeTag;

// The message of a query's trap.
std::u16string trapped(const char *source, int number, const char *description, int line)
{
    return u16("(OrvFields." + std::string(source) + ") Error " + std::to_string(number) + " : " +
               description + " Line " + std::to_string(line));
}
const char NotSet[] = "Object variable or With block variable not set";
const char NoMember[] = "Object doesn't support this property or method";

// Three books: A published, B not published (two levels of nodes below it), C with a PDF
// path whose file does not exist.
Ref<PublicationTree> threeBooks(const Support::fs::path &folder)
{
    auto tree = make<PublicationTree>();
    tree->createPublication(u"Test");
    tree->addNode(tree->addBook(u"A", (folder / "a.pdf").u16string()), u"A1", NodeTag);
    tree->addNode(tree->addNode(tree->addBook(u"B", {}), u"B1", NodeTag), u"B1x", NodeTag);
    tree->addBook(u"C", (folder / "missing/c.pdf").u16string());
    return tree;
}

// The dialog's book list, on the headless toolkit.
struct Books
{
    explicit Books(const Texts &texts = {}, int selected = -1)
    {
        for (const auto &text : texts)
            list->addItem(text);
        list->setSelectedIndex(selected);
    }
    operator Platform::DropDownList &() { return *list; }
    Platform::DropDownList *operator->() { return list.get(); }
    Texts entries() const
    {
        Texts texts;
        for (int i = 0; i < list->count(); ++i)
            texts.push_back(list->itemText(i));
        return texts;
    }

    std::unique_ptr<Platform::Form> form = Platform::createForm("form");
    std::unique_ptr<Platform::DropDownList> list = Platform::createDropDownList(*form, "books");
};

// A host that offers nothing: every call on it fails as on a foreign object.
class BareHost : public Object
{
};

// A host that walks like a cursor (it is its own publication node and books) and fails
// inside the host on the way to the third book.
class FailingHost : public Object
{
public:
    const ClassInfo *classInfo() const override
    {
        static const ClassInfo info =
            ClassBuilder<FailingHost>("FailingHost", {}, {}, "IFailingHost", {})
                .method("NodeItem", 1, &FailingHost::NodeItem)
                .get("Child", 2, &FailingHost::Child)
                .get("Next", 3, &FailingHost::Next)
                .get("Text", 4, &FailingHost::Text)
                .build();
        return &info;
    }
    Ref<Object> NodeItem(const std::u16string &) { return this; }
    Ref<Object> Child() { return this; }
    Ref<Object> Next()
    {
        if (++m_book == 2)
            raise(GeneralFailure, u"the host lost its place");
        return this;
    }
    std::u16string Text() const { return u"Book " + std::u16string(1, char16_t(u'1' + m_book)); }

private:
    int m_book = 0;
};

struct Folder
{
    Folder() { Support::writeFile(dir / "a.pdf", "%PDF-1.4\n"); }
    ~Folder() { CHECK(boxes.take() == std::vector<std::string>()); }

    Support::TempFolder dir;
    Boxes boxes;
};

} // namespace

TEST_CASE_FIXTURE(Folder, "the book list")
{
    auto host = threeBooks(dir.path());
    Books books({u"stale 1", u"stale 2"}, 1);
    CHECK(mdlFunctions::FillBooksList(books, host.get()));
    // Books only, in tree order; the nodes below them are not books.
    CHECK(books.entries() == Texts{u"A", u"B", u"C"});
    CHECK(books->selectedIndex() == 0);

    // A host failing after two books: the two stay, the result is false.
    CHECK(!mdlFunctions::FillBooksList(books, make<FailingHost>().get()));
    CHECK(books.entries() == Texts{u"Book 1", u"Book 2"});
    // No host at all is a failure too, not a quiet empty list.
    CHECK(!mdlFunctions::FillBooksList(books, nullptr));
    CHECK(boxes.takePrompts() ==
          Texts{trapped("mdlFunctions.FillBooksList", -2147467259, "the host lost its place", 3),
                trapped("mdlFunctions.FillBooksList", 91, NotSet, 2)});
}

TEST_CASE_FIXTURE(Folder, "the book of the host's selected node is selected")
{
    const Texts abc{u"A", u"B", u"C"};
    const struct
    {
        const char *name;
        Texts list;
        int before;
        const char16_t *selected; // a path; nullptr for no selection
        int expected;
    } rows[] = {
        {"two levels below B", abc, 2, u"B/B1/B1x", 1},
        {"book C itself", abc, 0, u"C", 2},
        {"publication node", abc, 2, u"", 0},
        {"nothing selected", abc, 2, nullptr, 0},
        {"nothing selected, empty list", {}, -1, nullptr, -1},
        {"text differs in letter case", {u"A", u"b", u"C"}, 2, u"B/B1", 0},
        {"first of two equal entries", {u"A", u"C", u"C"}, 0, u"C", 1},
    };
    for (const auto &row : rows) {
        CAPTURE(row.name);
        auto host = threeBooks(dir.path());
        if (row.selected)
            host->setSelectedNode(host->nodeAt(row.selected));
        Books books(row.list, row.before);
        mdlTreeview::InitCombo(books, host.get());
        CHECK(books->selectedIndex() == row.expected);
    }
}

// Hosts that fail the queries: the trap's message, then the result.
TEST_CASE_FIXTURE(Folder, "broken hosts")
{
    Books books({u"A", u"B", u"C"}, 2);
    // No host: the default selection, quietly.
    mdlTreeview::InitCombo(books, nullptr);
    CHECK(books->selectedIndex() == 0);
    // A selected node with no book above it (the walk runs off the root), and a host
    // without the members: the selection is kept.
    const auto loose = make<PublicationTree>();
    loose->setSelectedNode(loose->addNode(loose->createPublication(u"Loose"), u"Index", NodeTag));
    books->setSelectedIndex(1);
    mdlTreeview::InitCombo(books, loose.get());
    CHECK(books->selectedIndex() == 1);
    const auto bare = make<BareHost>();
    mdlTreeview::InitCombo(books, bare.get());
    CHECK(books->selectedIndex() == 1);
    CHECK(!mdlFunctions::FillBooksList(books, bare.get()));
    CHECK(books->count() == 0); // emptied first
    CHECK(mdlFunctions::GetPdfPath(bare.get(), 0) == u"");
    CHECK(boxes.takePrompts() == Texts{trapped("mdlTreeview.InitCombo", 91, NotSet, 5),
                                       trapped("mdlTreeview.InitCombo", 13, "Type mismatch", 3),
                                       trapped("mdlFunctions.FillBooksList", 438, NoMember, 2),
                                       trapped("mdlFunctions.GetPdfPath", 438, NoMember, 1)});
}

TEST_CASE_FIXTURE(Folder, "the path of a book's PDF")
{
    auto host = threeBooks(dir.path());
    const std::u16string a = (dir / "a.pdf").u16string();
    CHECK(mdlFunctions::GetPdfPath(host.get(), 0) == a);
    CHECK(mdlFunctions::GetPdfPath(host.get(), -1) == a);
    CHECK(mdlFunctions::GetPdfPath(host.get(), 2) == u""); // file missing
    // The platform's lock test answers (tests/platform holds its cases).
    CHECK(!mdlFunctions::IsFileLocked(a));
    CHECK(mdlFunctions::IsFileLocked(a + u".missing"));

    // "None", with a file of that very name in the current folder.
    const Support::fs::path previous = Support::fs::current_path();
    Support::fs::current_path(dir.path());
    Support::writeFile("None", "");
    const std::u16string unpublished = mdlFunctions::GetPdfPath(host.get(), 1);
    Support::fs::current_path(previous);
    CHECK(unpublished == u"");

    // The host's text comes back as written (no normalisation, any extension); a folder
    // is not a file.
    const std::u16string raw = dir.path().u16string() + u"//./a.pdf";
    const auto written = make<PublicationTree>();
    written->createPublication(u"Written");
    written->addBook(u"Raw", raw);
    written->addBook(u"Folder", dir.path().u16string());
    CHECK(mdlFunctions::GetPdfPath(written.get(), 0) == raw);
    CHECK(mdlFunctions::GetPdfPath(written.get(), 1) == u"");

    // One past the last book the walk ends on nothing and the parameters fail; further
    // on the walk itself fails.
    CHECK(mdlFunctions::GetPdfPath(host.get(), 3) == u"");
    CHECK(mdlFunctions::GetPdfPath(host.get(), 7) == u"");
    CHECK(boxes.takePrompts() == Texts{trapped("mdlFunctions.GetPdfPath", 91, NotSet, 3),
                                       trapped("mdlFunctions.GetPdfPath", 91, NotSet, 2)});
}
