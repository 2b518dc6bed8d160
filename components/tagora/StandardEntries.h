// SPDX-License-Identifier: Apache-2.0
// StandardEntries: the names of the document-information entries that PDF itself
// defines and that this library and the field set treat apart from the others.
//
// Eight names in two groups of four: the fields a user edits (Title, Author, Subject,
// Keywords) and the entries that record where the document comes from and when it
// changed (Creator, Producer, CreationDate, ModDate), which the field set never edits
// and this library keeps or stamps itself. Compared exactly, letter case included.
#pragma once

#include <QLatin1String>

#include <array>

namespace Tagora::StandardEntries {

inline constexpr QLatin1String Title("Title");
inline constexpr QLatin1String Author("Author");
inline constexpr QLatin1String Subject("Subject");
inline constexpr QLatin1String Keywords("Keywords");
inline constexpr QLatin1String Creator("Creator");
inline constexpr QLatin1String Producer("Producer");
inline constexpr QLatin1String CreationDate("CreationDate");
inline constexpr QLatin1String ModDate("ModDate");

// The edited four, in the order of the field set's properties.
inline constexpr std::array<QLatin1String, 4> Edited{Title, Author, Subject, Keywords};
// The four kept by the file.
inline constexpr std::array<QLatin1String, 4> Kept{Creator, Producer, CreationDate, ModDate};

} // namespace Tagora::StandardEntries
