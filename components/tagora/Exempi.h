// SPDX-License-Identifier: Apache-2.0
// Exempi: the functions of the exempi library that XmpPacket calls, as one table.
//
// Where the library comes from is the platform's business: on Linux it is loaded when a
// program first reads a packet, not when it starts (most runs read no XMP, and binding
// the library's symbols would cost every start); on Windows it is linked in.
#pragma once

#include <exempi/xmp.h>

namespace Tagora {

struct Exempi
{
    decltype(&::xmp_append_array_item) xmp_append_array_item = nullptr;
    decltype(&::xmp_delete_property) xmp_delete_property = nullptr;
    decltype(&::xmp_free) xmp_free = nullptr;
    decltype(&::xmp_get_array_item) xmp_get_array_item = nullptr;
    decltype(&::xmp_get_error) xmp_get_error = nullptr;
    decltype(&::xmp_get_localized_text) xmp_get_localized_text = nullptr;
    decltype(&::xmp_get_property) xmp_get_property = nullptr;
    decltype(&::xmp_has_property) xmp_has_property = nullptr;
    decltype(&::xmp_init) xmp_init = nullptr;
    decltype(&::xmp_new) xmp_new = nullptr;
    decltype(&::xmp_new_empty) xmp_new_empty = nullptr;
    decltype(&::xmp_register_namespace) xmp_register_namespace = nullptr;
    decltype(&::xmp_serialize) xmp_serialize = nullptr;
    decltype(&::xmp_set_localized_text) xmp_set_localized_text = nullptr;
    decltype(&::xmp_set_property) xmp_set_property = nullptr;
    decltype(&::xmp_string_cstr) xmp_string_cstr = nullptr;
    decltype(&::xmp_string_free) xmp_string_free = nullptr;
    decltype(&::xmp_string_len) xmp_string_len = nullptr;
    decltype(&::xmp_string_new) xmp_string_new = nullptr;
};

// The library's functions, every one of them, or nothing when the library cannot be had
// (not installed, too old). Not yet initialised: the caller calls xmp_init once.
const Exempi *bindExempi();

// The library's file name, for messages ("libexempi.so.8").
extern const char ExempiLibrary[];

} // namespace Tagora
