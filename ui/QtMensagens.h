#pragma once
// Operator messages as real modal message boxes owned by a window.

#include "relay/Janela.h"

class QWidget;

namespace tarrow {

class TQtMensagens final : public TMensagens {
public:
    explicit TQtMensagens(QWidget* dono) : dono_(dono) {}
    void Mensagem(const std::string& texto, const std::string& titulo, TIconeMensagem icone) override;
    bool Pergunta(const std::string& texto, const std::string& titulo) override;

private:
    QWidget* dono_;
};

}  // namespace tarrow
