#pragma once
// The window framework's error box: an error that leaves a click, a timer tick or the window's
// creation is shown to the operator and the handler is abandoned; the event loop goes on. No
// exception ever crosses Qt's event loop.

#include "relay/Janela.h"

#include <functional>
#include <string>

namespace tarrow {

// The box's text: the message, with a full stop appended when its last character sorts after "."
// in the character code.
std::string TextoCaixaErro(const std::string& mensagem);

// Runs one event handler. An EAbort is swallowed silently; any other error's box text goes to
// mostra. Returns false when the handler ended with an error.
bool ExecutaManipulador(const std::function<void()>& manipulador,
                        const std::function<void(const std::string& texto)>& mostra);

// The same, the error shown through the messages interface, captioned with the program's title,
// with the error icon.
bool ExecutaManipulador(TMensagens& mensagens, const std::function<void()>& manipulador);

}  // namespace tarrow
