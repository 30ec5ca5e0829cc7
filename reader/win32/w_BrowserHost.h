// The WebBrowser control hosted in plain Win32 as the reader's book view
// (CreateBrowserView of w_BookView.h): the control's site, its in-place frame, the
// document host's hooks (context menu, keys, script error dialogs), its events, and
// the security manager it is handed. The view lives on a thread that called
// OleInitialize and runs a message loop (the control's clipboard, drag and drop and
// in-place activation need it).
#pragma once

#include "w_BookView.h"

#include <urlmon.h>

// The security manager the view hands its engine: the book's pages run scripts and
// show pictures like a trusted site, the web keeps the engine's own policy, and local
// files and every other scheme are refused. Manager comes with one reference.
HRESULT CreateBookSecurityManager(IInternetSecurityManager** Manager);

// The sink of the control's events (DWebBrowserEvents2) that passes them on to Events:
// navigations (cancelled when Events refuses them), the top frame's loaded page (the
// control itself is TopFrame; its frames are other objects), new windows (always
// cancelled), title changes. Sink comes with one reference.
HRESULT CreateBrowserEventSink(TBookViewEvents& Events, IUnknown* TopFrame, IDispatch** Sink);

// The site the view gives the control (IOleClientSite with its in-place site and frame,
// IDocHostUIHandler2, IOleCommandTarget, IServiceProvider), without a window: what it
// answers the engine can be asked of it alone. Site comes with one reference.
HRESULT CreateBrowserSite(TBookViewEvents& Events, IOleClientSite** Site);
