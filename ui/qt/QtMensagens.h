#pragma once
// Operator messages as real modal message boxes owned by a window.

#include "relay/Janela.h"

class QWidget;

namespace tarrow {

class TQtMensagens final : public TMensagens {
public:
    explicit TQtMensagens(QWidget* dono) : dono_(dono) {}
    // These two return once the box is closed.
    void Mensagem(const std::string& texto, const std::string& titulo, TIconeMensagem icone) override;
    bool Pergunta(const std::string& texto, const std::string& titulo) override;

    // A box with one OK button that returns at once: the box stays open, modal to the whole
    // program, and deletes itself when closed. Each call opens one more.
    void Abre(const std::string& texto, const std::string& titulo, TIconeMensagem icone);

private:
    QWidget* dono_;
};

}  // namespace tarrow
