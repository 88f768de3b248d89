#include "ui/qt/QtMensagens.h"

#include "ui/qt/Programa.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QString>

namespace tarrow {

namespace {

QMessageBox::Icon IconeQt(TIconeMensagem icone)
{
    switch (icone) {
    case TIconeMensagem::Erro: return QMessageBox::Critical;
    case TIconeMensagem::Aviso: return QMessageBox::Warning;
    case TIconeMensagem::Informacao: return QMessageBox::Information;
    case TIconeMensagem::Pergunta: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// Qt centres a box on its owner. An owner that is not on screen leaves nothing to centre on: a
// window whose start-up is still running has not even been placed yet, and its box would open in
// the screen's top-left corner. Such a box (also the automatic sender's while it is hidden in the
// notification area) goes to the middle of the screen.
class TCaixa final : public QMessageBox {
public:
    TCaixa(TIconeMensagem icone, const std::string& titulo, const std::string& texto, StandardButtons botoes,
           QWidget* dono)
        : QMessageBox(IconeQt(icone), QString::fromStdString(titulo), QString::fromStdString(texto), botoes, dono)
    {
    }

protected:
    void showEvent(QShowEvent* evento) override
    {
        // The box takes its final size here, so it is placed after.
        QMessageBox::showEvent(evento);
        if (parentWidget() == nullptr || !parentWidget()->isVisible()) Centraliza(*this);
    }
};

}  // namespace

void TQtMensagens::Mensagem(const std::string& texto, const std::string& titulo, TIconeMensagem icone)
{
    TCaixa caixa(icone, titulo, texto, QMessageBox::Ok, dono_);
    caixa.setObjectName("caixaMensagem");
    caixa.exec();
}

bool TQtMensagens::Pergunta(const std::string& texto, const std::string& titulo)
{
    TCaixa caixa(TIconeMensagem::Pergunta, titulo, texto, QMessageBox::Yes | QMessageBox::No, dono_);
    caixa.setObjectName("caixaPergunta");
    caixa.setDefaultButton(QMessageBox::No);
    caixa.button(QMessageBox::Yes)->setText("Sim");
    caixa.button(QMessageBox::No)->setText("Não");
    return caixa.exec() == QMessageBox::Yes;
}

void TQtMensagens::Abre(const std::string& texto, const std::string& titulo, TIconeMensagem icone)
{
    // Owned by the window until it closes. exec() would run a loop of its own inside the caller,
    // and loops opened one inside the other return only in reverse order; open() would make the
    // box modal to its owner only.
    auto* caixa = new TCaixa(icone, titulo, texto, QMessageBox::Ok, dono_);
    caixa->setObjectName("caixaMensagem");
    caixa->setAttribute(Qt::WA_DeleteOnClose);
    caixa->setWindowModality(Qt::ApplicationModal);
    caixa->show();
}

}  // namespace tarrow
