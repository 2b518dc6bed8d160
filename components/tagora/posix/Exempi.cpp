// SPDX-License-Identifier: Apache-2.0
// exempi on Linux: loaded with dlopen on first use, under the file name its package
// installs.
#include "tagora/Exempi.h"

#include <dlfcn.h>

#include <type_traits>

namespace Tagora {

const char ExempiLibrary[] = "libexempi.so.8";

const Exempi *bindExempi()
{
    static const Exempi *bound = []() -> const Exempi * {
        void *handle = ::dlopen(ExempiLibrary, RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return nullptr;
        static Exempi api;
        bool complete = true;
        auto bind = [&](auto &function, const char *name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
                ::dlsym(handle, name));
            complete = complete && function;
        };
        bind(api.xmp_append_array_item, "xmp_append_array_item");
        bind(api.xmp_delete_property, "xmp_delete_property");
        bind(api.xmp_free, "xmp_free");
        bind(api.xmp_get_array_item, "xmp_get_array_item");
        bind(api.xmp_get_error, "xmp_get_error");
        bind(api.xmp_get_localized_text, "xmp_get_localized_text");
        bind(api.xmp_get_property, "xmp_get_property");
        bind(api.xmp_has_property, "xmp_has_property");
        bind(api.xmp_init, "xmp_init");
        bind(api.xmp_new, "xmp_new");
        bind(api.xmp_new_empty, "xmp_new_empty");
        bind(api.xmp_register_namespace, "xmp_register_namespace");
        bind(api.xmp_serialize, "xmp_serialize");
        bind(api.xmp_set_localized_text, "xmp_set_localized_text");
        bind(api.xmp_set_property, "xmp_set_property");
        bind(api.xmp_string_cstr, "xmp_string_cstr");
        bind(api.xmp_string_free, "xmp_string_free");
        bind(api.xmp_string_len, "xmp_string_len");
        bind(api.xmp_string_new, "xmp_string_new");
        return complete ? &api : nullptr;
    }();
    return bound;
}

} // namespace Tagora
