// SPDX-License-Identifier: Apache-2.0
// FullRewrite: writes a whole PDF anew, for the files an appended revision cannot serve:
// encrypted files (their strings must be encrypted), files that qpdf could read only by
// repairing them, and files that do not end with a clean end of revision.
//
// qpdf's writer produces the new file from the document as read (with the encryption of
// the original, its stream data untouched) into a temporary file beside the target,
// which is synced and then renamed over the target in one step: the target holds either
// the old bytes or the new ones, never a mixture. The new file keeps the target's
// permission bits and, where the system allows it, its owner and group.
#pragma once

#include "InfoDictionary.h"

#include <qpdf/QPDF.hh>

#include <QByteArray>
#include <QString>

#include <optional>

namespace Tagora {

class FullRewrite
{
public:
    // Writes `pdf` with `info` as its document-information dictionary over `target` (a
    // file, not a symbolic link). The dictionary replaces the old Info object when
    // `replaceInfo`, else it takes a new object; `metadata`, when given, becomes the data
    // of the catalog's metadata stream. Throws AutomationError; the target is then
    // unchanged.
    static void write(QPDF &pdf, const InfoDictionary &info, bool replaceInfo,
                      const QString &target, const std::optional<QByteArray> &metadata);
};

} // namespace Tagora
