// SPDX-License-Identifier: Apache-2.0
// SaveProof: what a save wrote is read back before the save reports success.
//
// A whole file written anew is proved before it replaces the original: it opens with
// the same password and with no more warnings from qpdf than the original gave when it
// was opened, has as many pages (and qpdf must find them in the original without a
// warning: pages it cannot find, its writer leaves out), its Info
// reads back as the save meant it to, and every stream holds in the copy exactly the
// data it holds in the original, as qpdf reads it after decryption, under the same
// filters: so every stream that decodes in the original decodes in the copy to the same
// bytes, and a wrong key cannot pass for right. The cost is one reading (and decryption)
// of every stream of both files, paid only on the rewrite path (repaired or unclean files,
// doubtful encryption, a dropped history).
//
// An appended revision is proved where that is cheap: the Info of the file as it now
// ends, the XMP packet when the revision replaced or made it, and the catalog when the
// revision wrote it anew to name a new packet, read (and decrypted) through a fresh qpdf
// object.
//
// Both throw AutomationError(RewriteRefused) saying what differs; the caller leaves the
// file (or puts it back) as it was.
#pragma once

#include "File.h"
#include "InfoDictionary.h"

#include <memory>
#include <string>

class QPDFWriter;

namespace Tagora {
class PdfInfoFile;
}

namespace Tagora::SaveProof {

// The copy that `writer` wrote of `original` into `copy` (`name` names it in qpdf's
// messages); `intended` is the Info it must read back, `metadata` (when given) the data
// of its XMP stream. A stream whose data the save replaced or made (the XMP metadata) is
// compared with its new data.
void checkRewrite(PdfInfoFile &original, QPDFWriter &writer, const std::u16string &name,
                  const std::shared_ptr<File> &copy, const InfoDictionary &intended,
                  const std::string *metadata);

// The Info of `file`, opened with `password`, reads back as `intended`, its XMP packet as
// `metadata` and its catalog, /Metadata aside, as `catalog` (see
// PdfInfoFile::catalogRest), each when given.
void checkRevision(const std::u16string &name, const std::shared_ptr<File> &file,
                   const InfoDictionary &intended, const std::string *metadata,
                   const std::string *catalog, const std::string &password);

} // namespace Tagora::SaveProof
