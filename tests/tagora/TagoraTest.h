// SPDX-License-Identifier: Apache-2.0
// What the suites of the PDF information library share: whether a file is under a save's
// lock, a record of a TagoraInfo object's events, reading every entry through a fresh
// object, a save made the way the field set makes it; and the Oracle: what readers that
// are not ours say about a file. qpdf's library reads on both builds; mutool only
// where Support::otherReadersRun().
#pragma once

#include "PdfMaker.h"
#include "support/Doctest.h"
#include "support/Files.h"
#include "support/Pdf.h"
#include "tagora/TagoraError.h"
#include "tagora/TagoraInfo.h"
#include "tagora/XmpPacket.h"

#include <qpdf/QPDFPageDocumentHelper.hh>

#include <algorithm>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace Tagora;
using Support::u16;
using Support::utf8;
namespace fs = std::filesystem;

using Entries = std::vector<std::pair<std::string, std::string>>; // UTF-8 name, value
using Lines = std::vector<std::string>;

// A path as the library takes it, and as its errors name it.
inline std::u16string u16(const fs::path &path)
{
    return path.u16string();
}
inline std::string utf8(const fs::path &path)
{
    return utf8(path.u16string());
}

// A folder of the test's own, and files made in it.
struct Folder
{
    Support::TempFolder dir;
    fs::path make(const std::string &name, const std::string &bytes = PdfMaker().bytes()) const
    {
        return Support::writeFile(dir / name, bytes);
    }
};

// Appends bytes after the file's end of revision, as some tools leave them: a save can
// then only write the whole file anew.
inline void trail(const fs::path &path)
{
    std::ofstream(path, std::ios::binary | std::ios::app) << "\n% left by another tool\n";
}

// Replaces the last `from` in the file by `to` of the same length and gives the file back
// its modification time: a change that neither its size nor its time shows.
inline void alter(const fs::path &path, const std::string &from, const std::string &to)
{
    const auto modified = fs::last_write_time(path);
    std::string data = Support::readFile(path);
    const std::size_t at = data.rfind(from);
    REQUIRE((at != std::string::npos && from.size() == to.size()));
    Support::writeFile(path, data.replace(at, from.size(), to));
    fs::last_write_time(path, modified);
}

// Whether another writer holds the file's lock: a save of another object cannot begin.
inline bool lockedForSaves(const fs::path &path)
{
    return Support::errorOf([&] { TagoraInfo().LockFile(u16(path), 0); }) == Tagora::FileLocked;
}

// The events of one object as short texts, in the order they came: "start", "done
// <input> <output>", "fail", "error <n>", each after "locked " when the file `watched`
// was under a save's lock then; and the log messages.
class EventLog : public TagoraInfo::Events
{
public:
    explicit EventLog(TagoraInfo &info, fs::path watched = {})
        : m_info(info), m_watched(std::move(watched))
    {
        info.setEvents(this);
    }
    ~EventLog() override { m_info.setEvents(nullptr); }
    EventLog(const EventLog &) = delete;
    EventLog &operator=(const EventLog &) = delete;

    void OnJobStart(const std::u16string &, const std::u16string &) override { note("start"); }
    void OnJobDone(const std::u16string &input, const std::u16string &output) override
    {
        note("done " + utf8(input) + ' ' + utf8(output));
    }
    void OnJobFail(const std::u16string &, const std::u16string &) override { note("fail"); }
    void OnJobError(std::int32_t n) override { note("error " + std::to_string(n)); }
    void OnLogMessage(const std::u16string &message) override { log.push_back(utf8(message)); }

    Lines events;
    Lines log;

private:
    void note(const std::string &event)
    {
        events.push_back((!m_watched.empty() && lockedForSaves(m_watched) ? "locked " : "") +
                         event);
    }

    TagoraInfo &m_info;
    fs::path m_watched;
};

// The entries of `path` as a new object reads them.
inline Entries readEntries(const fs::path &path)
{
    TagoraInfo reader;
    Entries entries;
    const int count = reader.ReadInfo(u16(path));
    for (int i = 0; i < count; ++i)
        entries.emplace_back(utf8(reader.InfoName(i)), utf8(reader.InfoValue(i)));
    return entries;
}

// Entries as "name=value|name=value".
inline std::string joined(const Entries &entries)
{
    std::string result;
    for (const auto &[name, value] : entries)
        result += (result.empty() ? "" : "|") + name + '=' + value;
    return result;
}

// The way the field set saves: read, remove every entry, write the standard entries
// (empty subject, creator and producer), then each custom entry, and commit.
inline void saveLikeTheFieldSet(TagoraInfo &info, const fs::path &file, const Entries &custom,
                                const std::u16string &title = u"New title",
                                const std::u16string &author = u"Ünïcode author",
                                const std::u16string &keywords = u"k1, k2")
{
    const std::u16string path = u16(file);
    const int count = info.ReadInfo(path);
    for (int i = 0; i < count; ++i)
        info.RemoveInfoEntry(path, info.InfoName(i));
    info.WriteStandardInfo(path, title, author, u"", keywords, u"", u"");
    for (const auto &[name, value] : custom)
        info.WriteInfoEntry(path, u16(name), u16(value));
    info.Commit();
}

namespace Oracle {

// What the qpdf library reads with the empty password: the Info entries by name (texts
// in UTF-8, other values in PDF syntax), the pages, whether the file is encrypted, the
// first /ID element, the XMP packet and its object, and the catalog but for its /Metadata.
struct QpdfView
{
    std::map<std::string, std::string> info;
    std::size_t pages = 0;
    bool encrypted = false;
    std::string id;
    std::string xmp;
    int xmpObject = 0;
    std::string catalog;
};

inline QpdfView qpdf(const fs::path &path)
{
    QpdfView view;
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(PdfMaker::utf8(path).c_str());
    if (QPDFObjectHandle info = pdf.getTrailer().getKey("/Info"); info.isDictionary()) {
        for (auto [key, value] : info.ditems())
            view.info[key.substr(1)] = value.isString() ? value.getUTF8Value() : value.unparse();
    }
    view.pages = QPDFPageDocumentHelper(pdf).getAllPages().size();
    view.encrypted = pdf.isEncrypted();
    view.id = pdf.getTrailer().getKey("/ID").getArrayItem(0).getStringValue();
    if (QPDFObjectHandle metadata = pdf.getRoot().getKey("/Metadata"); metadata.isStream()) {
        const auto data = metadata.getStreamData();
        view.xmp.assign(reinterpret_cast<const char *>(data->getBuffer()), data->getSize());
        view.xmpObject = metadata.getObjectID();
    }
    QPDFObjectHandle catalog = pdf.getRoot().shallowCopy();
    catalog.removeKey("/Metadata");
    view.catalog = catalog.unparse();
    return view;
}

// The Title that mutool reads with the empty password.
inline std::string mutoolTitle(const fs::path &path)
{
    const Support::TempFolder folder;
    Support::writeFile(folder / "title.js",
                       "print(new PDFDocument(scriptArgs[0]).getMetaData('info:Title'));");
    const std::string out =
        Support::run("mutool", {"run", utf8(folder / "title.js"), utf8(path)}).out;
    return out.substr(0, out.find_last_not_of('\n') + 1);
}

// Empty when `path` holds the bytes `before` followed by exactly one revision that
// continues the last one of `before` and qpdf finds no problem; else what is wrong.
inline std::string appendedRevisionProblems(const std::string &before, const fs::path &path,
                                            const std::string &password = {})
{
    const std::string after = Support::readFile(path);
    if (after.compare(0, before.size(), before) != 0)
        return "the bytes before are not kept";
    const std::string added = after.substr(before.size());
    const std::size_t at = before.rfind("startxref");
    std::istringstream previous(at == std::string::npos ? "" : before.substr(at + 9));
    std::string offset;
    previous >> offset;
    const std::size_t prev = added.find("/Prev " + offset);
    const std::size_t end = added.find("%%EOF");
    if (offset.empty() || prev == std::string::npos ||
        added.find_first_of(" \n\r/>", prev + 6 + offset.size()) != prev + 6 + offset.size() ||
        end == std::string::npos || added.find("%%EOF", end + 1) != std::string::npos)
        return "not one revision after the one at " + offset + ":\n" + added.substr(0, 2000);
    return Pdf::problems(path, password);
}

} // namespace Oracle

using Job = std::function<void(TagoraInfo &, const std::u16string &)>;

// One job of each kind that writes.
inline const std::vector<Job> writeJobs{
    [](TagoraInfo &t, const std::u16string &p) { t.WriteInfoEntry(p, u"Title", u"New"); },
    [](TagoraInfo &t, const std::u16string &p) { t.RemoveInfoEntry(p, u"Title"); },
    [](TagoraInfo &t, const std::u16string &p) {
        t.WriteStandardInfo(p, u"T", u"A", u"", u"", u"", u"");
    },
};

// Runs `job`, which must fail with `number`: the events, the error naming the file, the
// file as it was.
inline void expectFailure(TagoraInfo &info, const fs::path &path, int number, const Job &job)
{
    EventLog log(info);
    const bool existed = fs::exists(path);
    const std::string before = Support::readFile(path);
    const std::string error = Support::failure([&] { job(info, u16(path)); });
    CAPTURE(error);
    CHECK(error.rfind(std::to_string(number) + ' ' + utf8(path) + ": ", 0) == 0);
    CHECK(log.events == Lines{"start", "error " + std::to_string(number), "fail"});
    CHECK(fs::exists(path) == existed);
    CHECK(Support::readFile(path) == before);
}
