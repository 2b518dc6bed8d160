// SPDX-License-Identifier: Apache-2.0
#include "HostOptions.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

namespace Host {

namespace {

bool exists(const std::wstring &path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

HostOptions HostOptions::parse(const std::vector<std::wstring> &arguments)
{
    HostOptions options;
    std::vector<std::wstring> files;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size() && options.error.empty(); ++i) {
        const std::wstring &argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != L'-') {
            files.push_back(argument);
            continue;
        }
        if (argument == L"--") {
            optionsEnded = true;
            continue;
        }
        if (argument == L"-h" || argument == L"--help") {
            options.help = true;
            continue;
        }
        if (argument == L"--version") {
            options.version = true;
            continue;
        }
        // --name value, or --name=value.
        const std::size_t equals = argument.find(L'=');
        const std::wstring name = argument.substr(0, equals);
        if (name != L"--language" && name != L"--select" && name != L"--screenshot" &&
            name != L"--host-screenshot") {
            options.error = L"Unknown option '" + name + L"'.";
            break;
        }
        std::wstring value;
        if (equals != std::wstring::npos) {
            value = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            options.error = L"Missing value after '" + name + L"'.";
            break;
        }
        if (name == L"--language") {
            std::wstring language = value;
            std::transform(language.begin(), language.end(), language.begin(),
                           [](wchar_t c) { return wchar_t(std::towlower(std::wint_t(c))); });
            if (language == L"en")
                options.language = PluginLanguage::English;
            else if (language == L"fr")
                options.language = PluginLanguage::French;
            else
                options.error = L"--language takes en or fr, not '" + value + L"'";
        } else if (name == L"--select") {
            options.select = value;
        } else if (name == L"--screenshot") {
            options.screenshot = value;
        } else {
            options.hostScreenshot = value;
        }
    }
    if (options.error.empty() && files.size() > 1) {
        options.error =
            L"Only one publication can be opened, not " + std::to_wstring(files.size()) + L":";
        for (std::size_t i = 0; i < files.size(); ++i)
            options.error += (i ? L", " : L" ") + files[i];
    }
    if (options.error.empty() && !files.empty())
        options.publication = files.front();
    return options;
}

std::wstring HostOptions::usage()
{
    return L"Usage: orvfields-host [options] [PUBLICATION.xml]\n"
           L"A publishing-application window that runs the PDF fields plug-in on the books of a "
           L"publication.\n\n"
           L"Options:\n"
           L"  --language <en|fr>            Language of the plug-in: en or fr (default: the "
           L"system's).\n"
           L"  --select <PATH>               Select the node with this path of texts, joined "
           L"with \"/\".\n"
           L"  --screenshot <FILE.png>       Run PDF fields, save a picture of its dialog once it "
           L"has loaded its\n"
           L"                                book, close it and quit.\n"
           L"  --host-screenshot <FILE.png>  Save a picture of this window once it shows the "
           L"publication, and\n"
           L"                                quit (after --screenshot, if given).\n"
           L"  -h, --help                    Show this help.\n"
           L"  --version                     Show the version.\n\n"
           L"Arguments:\n"
           L"  [PUBLICATION.xml]             The publication to open (default: the sample).\n";
}

std::wstring HostOptions::versionText()
{
    return L"orvfields-host " ORVFIELDS_VERSION L"\n";
}

std::wstring HostOptions::samplePublication(const std::wstring &programFolder)
{
    const std::wstring beside = programFolder + L"\\sample\\publication.xml";
    const std::wstring built = programFolder + L"\\..\\examples\\sample\\publication.xml";
    return exists(beside) || !exists(built) ? beside : built;
}

} // namespace Host
