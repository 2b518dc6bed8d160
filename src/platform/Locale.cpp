// SPDX-License-Identifier: Apache-2.0
#include "Locale.h"

#include <utility>

namespace Platform {

namespace {

ThreadLocaleHandler &threadLocaleHandler()
{
    static ThreadLocaleHandler handler;
    return handler;
}

LocaleInfoHandler &localeInfoHandler()
{
    static LocaleInfoHandler handler;
    return handler;
}

} // namespace

Lcid GetThreadLocale()
{
    return threadLocaleHandler() ? threadLocaleHandler()() : SystemThreadLocale();
}

std::string GetLocaleInfo(Lcid lcid, int item)
{
    return localeInfoHandler() ? localeInfoHandler()(lcid, item) : SystemLocaleInfo(lcid, item);
}

ThreadLocaleHandler setThreadLocaleHandler(ThreadLocaleHandler handler)
{
    return std::exchange(threadLocaleHandler(), std::move(handler));
}

LocaleInfoHandler setLocaleInfoHandler(LocaleInfoHandler handler)
{
    return std::exchange(localeInfoHandler(), std::move(handler));
}

} // namespace Platform
