#pragma once
// Operator messages as the system's modal message boxes owned by a window. A box runs a message
// loop of its own, which goes on delivering the owner's timer ticks while the box is open.

#include "relay/Janela.h"

#include <windows.h>

namespace tarrow {

class TWin32Mensagens final : public TMensagens {
public:
    explicit TWin32Mensagens(HWND dono = nullptr) : dono_(dono) {}
    void DefineDono(HWND dono) noexcept { dono_ = dono; }

    void Mensagem(const std::string& texto, const std::string& titulo, TIconeMensagem icone) override;
    // Yes and No in the system's language, No the default button.
    bool Pergunta(const std::string& texto, const std::string& titulo) override;

private:
    HWND dono_;
};

}  // namespace tarrow
