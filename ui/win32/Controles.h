#pragma once
// The controls the system does not have as the design wants them: a panel with a lowered bevel
// that can show a caption of its own, and a progress bar that prints its percentage (the
// standard one does not). Both are window classes of ours; the gauge answers the standard
// progress bar's messages (PBM_SETRANGE32, PBM_SETPOS, PBM_GETPOS, PBM_GETRANGE); its window
// text is the percentage it prints.

#include <windows.h>

namespace tarrow {

inline constexpr const wchar_t* kClassePainel = L"TarrowPainel";
inline constexpr const wchar_t* kClasseGauge = L"TarrowGauge";

// Registers the window classes above, the main window's and the common controls in use (date
// fields); once per process.
void RegistraClasses();

// The number field's key filter: a typed character passes only when it is a digit, backspace or
// Enter. Text that arrives otherwise (a paste) is not filtered.
void FiltraDigitos(HWND campo);

}  // namespace tarrow
