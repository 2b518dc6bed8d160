// SPDX-License-Identifier: Apache-2.0
// FullRewrite: writes a whole PDF anew, for the files an appended revision cannot serve:
// files that qpdf could read only by repairing them, files that do not end with a clean
// end of revision, encrypted files whose encryption dictionary leaves the key in doubt;
// and for a save asked to drop the file's history.
//
// qpdf's writer produces the new file from the document as read (with the encryption of
// the original, its stream data untouched) into a file beside the target. The new file
// must be the same document with the new Info: a warning of qpdf's about any object it
// read or wrote (its repair of the cross-reference data aside) refuses the save, and so
// does a copy that does not pass SaveProof. Only then is it synced and renamed over the
// target in one step: the target holds either the old bytes or the new ones, never a
// mixture. The new file keeps the target's permission bits and, where the system allows
// it, its owner and group.
#pragma once

#include "File.h"
#include "InfoDictionary.h"

#include <cstdint>
#include <optional>
#include <string>

namespace Tagora {

class PdfInfoFile;

class FullRewrite
{
public:
    // Writes the document of `pdf` with `info` as its document-information dictionary
    // over `target` (a file, not a symbolic link). The dictionary replaces the old Info
    // object when `replaceInfo`, else it takes a new object; `metadata`, when given,
    // becomes the data of the catalog's metadata stream, a new one (/Type /Metadata
    // /Subtype /XML, unfiltered) when the catalog has none. Throws AutomationError
    // (RewriteRefused when qpdf warned or the copy does not pass the proof); the target
    // is then unchanged.
    // `held`: the target as the save holds it (see ReplacementFile::commit).
    static void write(PdfInfoFile &pdf, const InfoDictionary &info, bool replaceInfo,
                      const std::u16string &target, const std::optional<std::string> &metadata,
                      const FileIdentity &held);
};

} // namespace Tagora
