#pragma once
// The programs' own picture: the title bars of both windows, their message boxes and the
// notification-area icon.

#include <QIcon>

namespace tarrow {

// Drawn at every size a title bar, a tray or a menu asks for, so it stays sharp at each. Needs a
// running QGuiApplication.
QIcon IconeTarrow();

}  // namespace tarrow
