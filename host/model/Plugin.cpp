// SPDX-License-Identifier: Apache-2.0
#include "Plugin.h"

#include "automation/Dispatch.h"
#include "automation/Registry.h"

namespace Host {

Automation::Ref<Automation::Object> createPlugin(const Automation::Ref<PublicationTree> &tree,
                                                 PluginLanguage language)
{
    Automation::Ref<Automation::Object> plugin = Automation::createObject(u"OrvFields.MainForm");
    Automation::putRef(plugin.get(), u"PluginObject", tree);
    // The plug-in's convention: 0 is French, any other value English.
    Automation::put(plugin.get(), u"Language", language == PluginLanguage::French ? 0 : 1);
    return plugin;
}

} // namespace Host
