// SPDX-License-Identifier: Apache-2.0
// StandardEntries: the names of the document-information entries that PDF itself
// defines and that this library and the field set treat apart from the others.
//
// Eight names in two groups of four: the fields a user edits (Title, Author, Subject,
// Keywords) and the entries that record where the document comes from and when it
// changed (Creator, Producer, CreationDate, ModDate), which the field set never edits
// and this library keeps or stamps itself. Compared exactly, letter case included.
#pragma once

#include <array>
#include <string_view>

namespace Tagora::StandardEntries {

inline constexpr std::u16string_view Title = u"Title";
inline constexpr std::u16string_view Author = u"Author";
inline constexpr std::u16string_view Subject = u"Subject";
inline constexpr std::u16string_view Keywords = u"Keywords";
inline constexpr std::u16string_view Creator = u"Creator";
inline constexpr std::u16string_view Producer = u"Producer";
inline constexpr std::u16string_view CreationDate = u"CreationDate";
inline constexpr std::u16string_view ModDate = u"ModDate";

// The edited four, in the order of the field set's properties.
inline constexpr std::array<std::u16string_view, 4> Edited{Title, Author, Subject, Keywords};
// The four kept by the file.
inline constexpr std::array<std::u16string_view, 4> Kept{Creator, Producer, CreationDate, ModDate};

} // namespace Tagora::StandardEntries
