// SPDX-License-Identifier: Apache-2.0
#include "SaveProof.h"

#include "PdfInfoFile.h"
#include "TagoraError.h"
#include "automation/Text.h"

#include <qpdf/Pl_Function.hh>
#include <qpdf/Pl_String.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFWriter.hh>

#include <cstring>
#include <set>

namespace Tagora::SaveProof {

namespace {

[[noreturn]] void refuse(const std::u16string &what)
{
    Automation::raise(RewriteRefused, what);
}

// Equal as readers see them: the same names with the same texts, in any order (qpdf's
// writer sorts the keys).
bool readsAs(const InfoDictionary &read, const InfoDictionary &intended)
{
    if (read.size() != intended.size())
        return false;
    for (const InfoEntry &entry : intended.entries()) {
        const InfoEntry *found = read.find(entry.name);
        if (!found || found->text != entry.text)
            return false;
    }
    return true;
}

std::optional<size_t> pageCount(QPDF &pdf)
{
    try {
        return pdf.getAllPages().size();
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

// Whether `copy` holds exactly the data of `original`, as it reads after decryption, under
// the same filters: then it decodes as the original does, byte for byte, without the cost
// of decoding either. True when the original's data cannot be read at all.
bool readsAlike(QPDFObjectHandle original, QPDFObjectHandle copy)
{
    for (const char *key : {"/Filter", "/DecodeParms"}) {
        if (original.getDict().getKey(key).unparseResolved() !=
            copy.getDict().getKey(key).unparseResolved())
            return false;
    }
    std::string before;
    Pl_String collect("original", nullptr, before);
    if (!original.pipeStreamData(&collect, nullptr, 0, qpdf_dl_none, true))
        return true;
    // The copy is compared as it is read, without holding a second buffer.
    size_t at = 0;
    bool same = true;
    Pl_Function compare("copy", nullptr, [&](const unsigned char *data, size_t length) {
        same = same && length <= before.size() - at &&
               std::memcmp(before.data() + at, data, length) == 0;
        at += same ? length : 0;
    });
    return copy.pipeStreamData(&compare, nullptr, 0, qpdf_dl_none, true) && same &&
           at == before.size();
}

} // namespace

void checkRewrite(PdfInfoFile &original, QPDFWriter &writer, const std::u16string &name,
                  const std::shared_ptr<File> &file, const InfoDictionary &intended,
                  const std::string *metadata)
{
    QPDF &was = original.document();
    // Pages qpdf cannot find in the original, its writer has left out of the copy.
    const std::optional<size_t> pages = pageCount(was);
    if (!pages || *pages == 0 || original.objectWarning())
        refuse(u"qpdf cannot find all its pages, so a copy written anew could lose some");

    PdfInfoFile copy(name, file, original.password());
    QPDF &pdf = copy.document();
    if (copy.encrypted() != was.isEncrypted())
        refuse(u"the copy written anew lost its encryption");
    if (!readsAs(copy.info(), intended))
        refuse(u"the information entries of the copy written anew do not read back as written");
    if (metadata) {
        const std::optional<PdfInfoFile::Metadata> read = copy.metadata();
        if (!read || !read->decoded || read->data != *metadata)
            refuse(u"the XMP metadata of the copy written anew does not read back as written");
    }
    if (pageCount(pdf) != pages)
        refuse(u"the copy written anew does not have the " +
               Automation::decimal(std::int64_t(*pages)) + u" pages of the file");
    // Object and cross-reference streams are the writer's own, made anew.
    std::set<int> objectStreams;
    for (const auto &[object, entry] : was.getXRefTable()) {
        if (entry.getType() == 2)
            objectStreams.insert(entry.getObjStreamNumber());
    }
    for (QPDFObjectHandle object : was.getAllObjects()) {
        if (!object.isStream() || objectStreams.count(object.getObjectID()) ||
            object.getDict().getKey("/Type").isNameAndEquals("/XRef"))
            continue;
        const QPDFObjGen now = writer.getRenumberedObjGen(object.getObjGen());
        if (now.getObj() != 0 && !readsAlike(object, pdf.getObject(now)))
            refuse(u"the data of object " + Automation::decimal(object.getObjectID()) +
                   u" would no longer read as before");
    }
    // What the original gave when it was opened (a damaged /Perms entry, say), the copy
    // gives too; never more.
    if (copy.warnings().size() > original.warningsAtOpen())
        refuse(u"qpdf warned when reading the copy written anew (" +
               warningText(copy.warnings().front(), name) + u")");
}

void checkRevision(const std::u16string &name, const std::shared_ptr<File> &file,
                   const InfoDictionary &intended, const std::string *metadata,
                   const std::string *catalog, const std::string &password)
{
    PdfInfoFile written(name, file, password);
    if (!readsAs(written.info(), intended))
        refuse(u"the information entries do not read back as written");
    if (catalog && written.catalogRest() != *catalog)
        refuse(u"the document catalog does not read back as written");
    if (!metadata)
        return;
    const std::optional<PdfInfoFile::Metadata> read = written.metadata();
    if (!read || !read->decoded || read->data != *metadata)
        refuse(u"the XMP metadata does not read back as written");
}

} // namespace Tagora::SaveProof
