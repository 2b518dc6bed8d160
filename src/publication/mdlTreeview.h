// SPDX-License-Identifier: Apache-2.0
// mdlTreeview: the book that the host has selected in its own tree.
//
// The host's selected node is read by dispatch identifier on the host's tree
// interface and walked through the tree-view node interface (Tag, Parent, Text) up
// to its book; the book list then selects the entry with that book's text.
#pragma once

#include "automation/Object.h"

namespace Platform {
class DropDownList;
}

namespace mdlTreeview {

// The host's tree interface, and SelectedNode's dispatch identifier on it.
inline constexpr char HostTreeInterface[] = "{CDB0D6D1-249C-48DF-9ECD-A5E02F012A95}";
inline constexpr Automation::DispId SelectedNodeId = 0x60030017;
// The node interface of the common tree-view control.
inline constexpr char TreeViewNodeInterface[] = "{C74190B8-8589-11D1-B16A-00C0F0283628}";

// Selects in `books` the entry whose text equals (exactly) the text of the book at or
// above the host's selected node. With no host, no selection or the publication node
// selected: position 0, or -1 for an empty list. A book matching no entry: position
// 0. After a failure (a host without the interface or member, a selected node with
// no "Book" above it) the selection stays as it was. Trapped as
// ".mdlTreeview.InitCombo".
void InitCombo(Platform::DropDownList &books, Automation::Object *host);

} // namespace mdlTreeview
