#pragma once
// The program entry both senders share: Qt's own texts in the user's language, the programs'
// picture, then create the main window (its creation handler runs), show it centred, run the
// event loop until the window closes.

#include <functional>

class QApplication;
class QCoreApplication;
class QLocale;
class QWidget;

namespace tarrow {

int ExecutaPrograma(QApplication& app, QWidget& janela, const std::function<void()>& formCreate);

// Places a window in the middle of its screen.
void Centraliza(QWidget& janela);

// Qt's own texts (a field's context menu, the standard buttons) in the language of idioma, from
// the translations the system has installed; replaces those loaded before. False when there are
// none for that language: Qt's texts stay in English.
bool CarregaTraducoesQt(QCoreApplication& app, const QLocale& idioma);

}  // namespace tarrow
