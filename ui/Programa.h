#pragma once
// The program entry both senders share: create the main window (its creation handler runs), show
// it centred, run the event loop until the window closes.

#include <functional>

class QApplication;
class QWidget;

namespace tarrow {

int ExecutaPrograma(QApplication& app, QWidget& janela, const std::function<void()>& formCreate);

// Places a window in the middle of its screen.
void Centraliza(QWidget& janela);

}  // namespace tarrow
