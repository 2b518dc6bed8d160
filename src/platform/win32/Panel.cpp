// SPDX-License-Identifier: Apache-2.0
// The panel on Win32: a container of the component's own class, with a raised edge.
#include "ControlWindow.h"

namespace Platform {

using namespace Win32;

namespace {

class Win32Panel final : public ContainerOver<Panel>
{
protected:
    void decorate(HDC dc, const RECT &area) override
    {
        RECT edge = area;
        DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
    }
};

} // namespace

std::unique_ptr<Panel> createPanel(Container &parent, const std::string &name)
{
    return child<Win32Panel>(parent, name, PanelClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, false);
}

} // namespace Platform
