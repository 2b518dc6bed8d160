// SPDX-License-Identifier: Apache-2.0
// exempi on Windows: linked in, with its expat, so the component needs no DLL beside it.
#include "tagora/Exempi.h"

namespace Tagora {

const char ExempiLibrary[] = "exempi (static)";

const Exempi *bindExempi()
{
    static const Exempi api = {
        .xmp_append_array_item = &::xmp_append_array_item,
        .xmp_delete_property = &::xmp_delete_property,
        .xmp_free = &::xmp_free,
        .xmp_get_array_item = &::xmp_get_array_item,
        .xmp_get_error = &::xmp_get_error,
        .xmp_get_localized_text = &::xmp_get_localized_text,
        .xmp_get_property = &::xmp_get_property,
        .xmp_has_property = &::xmp_has_property,
        .xmp_init = &::xmp_init,
        .xmp_new = &::xmp_new,
        .xmp_new_empty = &::xmp_new_empty,
        .xmp_register_namespace = &::xmp_register_namespace,
        .xmp_serialize = &::xmp_serialize,
        .xmp_set_localized_text = &::xmp_set_localized_text,
        .xmp_set_property = &::xmp_set_property,
        .xmp_string_cstr = &::xmp_string_cstr,
        .xmp_string_free = &::xmp_string_free,
        .xmp_string_len = &::xmp_string_len,
        .xmp_string_new = &::xmp_string_new,
    };
    return &api;
}

} // namespace Tagora
