#include "platform/qt/compositing.h"

#include <QGuiApplication>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <string>

#if defined(__unix__) && !defined(__APPLE__)
#include <dlfcn.h>
#endif

namespace tw {

#if defined(__unix__) && !defined(__APPLE__)
namespace {

// The few calls of libxcb asked here, found in the copy that Qt's X11 platform already loaded (no
// library of our own to link, and none is looked for on another platform). Their requests and
// replies are fixed by the X protocol.
struct XcbCookie {
    unsigned int sequence;
};
struct XcbAtomReply {
    uint8_t responseType, pad;
    uint16_t sequence;
    uint32_t length;
    uint32_t atom;
};
struct XcbOwnerReply {
    uint8_t responseType, pad;
    uint16_t sequence;
    uint32_t length;
    uint32_t owner;
};
using InternAtom = XcbCookie (*)(void*, uint8_t, uint16_t, const char*);
using InternAtomReply = XcbAtomReply* (*)(void*, XcbCookie, void**);
using SelectionOwner = XcbCookie (*)(void*, uint32_t);
using SelectionOwnerReply = XcbOwnerReply* (*)(void*, XcbCookie, void**);

template <class F>
F xcbCall(void* lib, const char* name) {
    return reinterpret_cast<F>(dlsym(lib, name));
}

}  // namespace
#endif

bool desktopComposesWindows() {
#if defined(__unix__) && !defined(__APPLE__)
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) return false;
    void* lib = dlopen("libxcb.so.1", RTLD_LAZY | RTLD_NOLOAD);
    if (!lib) return false;
    const auto internAtom = xcbCall<InternAtom>(lib, "xcb_intern_atom");
    const auto internAtomReply = xcbCall<InternAtomReply>(lib, "xcb_intern_atom_reply");
    const auto selectionOwner = xcbCall<SelectionOwner>(lib, "xcb_get_selection_owner");
    const auto selectionOwnerReply = xcbCall<SelectionOwnerReply>(lib, "xcb_get_selection_owner_reply");
    bool composed = false;
    if (internAtom && internAtomReply && selectionOwner && selectionOwnerReply) {
        // The selection of the first screen: the program's windows are on the X display's default screen.
        const std::string name = "_NET_WM_CM_S0";
        XcbAtomReply* atom = internAtomReply(
            connection, internAtom(connection, 1, static_cast<uint16_t>(name.size()), name.c_str()), nullptr);
        if (atom && atom->atom != 0) {
            XcbOwnerReply* owner = selectionOwnerReply(connection, selectionOwner(connection, atom->atom), nullptr);
            composed = owner && owner->owner != 0;
            std::free(owner);
        }
        std::free(atom);
    }
    dlclose(lib);
    return composed;
#else
    return false;
#endif
}

}  // namespace tw
