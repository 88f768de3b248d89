#include "ui/qt/JanelaPrincipal.h"

#include "platform/ProgramDir.h"
#include "ui/FrameworkErrors.h"
#include "ui/qt/IconeTarrow.h"

#include <QCoreApplication>
#include <QFont>
#include <QTimer>

namespace tarrow {

TJanelaPrincipal::TJanelaPrincipal(TVariante variante, TEscolhaEnvio* escolha, const std::string& diretorio)
    : caixas_(this),
      mensagens_(&caixas_),
      logica_(variante, *this, escolha, diretorio),
      caixaDeErroEspera_(variante == TVariante::Manual)
{
    setObjectName("FMain");
    setWindowIcon(IconeTarrow());
    AplicaFonteDesenho(this);
}

void TJanelaPrincipal::Mensagem(const std::string& texto, const std::string& titulo, TIconeMensagem icone)
{
    mensagens_->Mensagem(texto, titulo, icone);
}

bool TJanelaPrincipal::Pergunta(const std::string& texto, const std::string& titulo)
{
    return mensagens_->Pergunta(texto, titulo);
}

void TJanelaPrincipal::DefineTitulo(const std::string& titulo) { setWindowTitle(QString::fromStdString(titulo)); }

void TJanelaPrincipal::SolicitaTermino() { terminoSolicitado_ = true; }

bool TJanelaPrincipal::Manipula(const std::function<void()>& manipulador)
{
    if (caixaDeErroEspera_ || mensagens_ != &caixas_) return ExecutaManipulador(*mensagens_, manipulador);
    return ExecutaManipulador(manipulador, [this](const std::string& texto) {
        caixas_.Abre(texto, ProgramTitle(), TIconeMensagem::Erro);
    });
}

void TJanelaPrincipal::Cria(const std::function<void()>& depoisDaPartida)
{
    Manipula([&] {
        logica_.FormCreate();
        depoisDaPartida();
    });
    if (terminoSolicitado_) {
        // Queued: a quit requested before the event loop runs would otherwise be lost, and one
        // delivered inside a message box's loop would close that box at once.
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    }
}

void AplicaFonteDesenho(QWidget* janela)
{
    QFont fonte(kFonteDesenho);
    fonte.setStyleHint(QFont::SansSerif);
    fonte.setPointSize(8);
    janela->setFont(fonte);
}

}  // namespace tarrow
