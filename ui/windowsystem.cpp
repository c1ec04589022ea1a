// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowsystem.h"

#include <QByteArray>
#include <QtGlobal>

#include <wayland-client.h>

#include <cstring>

namespace windowsystem {

std::vector<Setting> settingsFor(const Session &session)
{
    if (!session.wayland)
        return {};
    if (session.compositorDrawsFrames)
        return {{"QT_WAYLAND_DISABLE_WINDOWDECORATION", "1"}};
    if (!session.platformChosen && session.xDisplay)
        return {{"QT_QPA_PLATFORM", "xcb"}};
    return {};
}

namespace {

// The protocol with which a Wayland compositor offers to draw a window's frame; Qt asks for it
// whenever it is offered.
constexpr const char *frameProtocol = "zxdg_decoration_manager_v1";

void noteGlobal(void *data, wl_registry * /*registry*/, uint32_t /*name*/, const char *interface,
                uint32_t /*version*/)
{
    if (std::strcmp(interface, frameProtocol) == 0)
        *static_cast<bool *>(data) = true;
}

void noteGlobalRemoved(void * /*data*/, wl_registry * /*registry*/, uint32_t /*name*/) {}

// Whether the compositor of this session answers, and whether it offers to draw frames.
void askCompositor(Session &session)
{
    wl_display *display = wl_display_connect(nullptr);
    if (!display)
        return;
    session.wayland = true;
    static const wl_registry_listener listener = {noteGlobal, noteGlobalRemoved};
    wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &session.compositorDrawsFrames);
    wl_display_roundtrip(display);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
}

} // namespace

void choose()
{
    Session session;
    session.platformChosen = !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    session.xDisplay = !qEnvironmentVariableIsEmpty("DISPLAY");
    // Only where Qt itself would look for a compositor. A compositor that hands its program a
    // connection ready-made (WAYLAND_SOCKET) hands one only: that one is Qt's.
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_SOCKET"))
        askCompositor(session);
    for (const Setting &setting : settingsFor(session)) {
        if (!qEnvironmentVariableIsSet(setting.name))
            qputenv(setting.name, QByteArray(setting.value));
    }
}

} // namespace windowsystem
