// SPDX-License-Identifier: Apache-2.0
// The PDF fields plug-in as a host starts it, written once for every host of this
// project (orvfields-host on Linux and on Windows, the Windows test client):
// OrvFields.MainForm created by its programmatic identifier through the registry (a
// host never links the component), given the publication tree as PluginObject and
// the plug-in's language. The caller then calls Show, and reads LastError to learn
// what failed inside it.
#pragma once

#include "PublicationTree.h"
#include "automation/Object.h"

namespace Host {

enum class PluginLanguage
{
    English,
    French,
};

// Raises the AutomationError of the creation (not registered, no server) or of a call.
Automation::Ref<Automation::Object> createPlugin(const Automation::Ref<PublicationTree> &tree,
                                                 PluginLanguage language);

} // namespace Host
