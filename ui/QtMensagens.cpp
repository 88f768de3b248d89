#include "ui/QtMensagens.h"

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

}  // namespace

void TQtMensagens::Mensagem(const std::string& texto, const std::string& titulo, TIconeMensagem icone)
{
    QMessageBox caixa(IconeQt(icone), QString::fromStdString(titulo), QString::fromStdString(texto),
                      QMessageBox::Ok, dono_);
    caixa.setObjectName("caixaMensagem");
    caixa.exec();
}

bool TQtMensagens::Pergunta(const std::string& texto, const std::string& titulo)
{
    QMessageBox caixa(QMessageBox::Question, QString::fromStdString(titulo), QString::fromStdString(texto),
                      QMessageBox::Yes | QMessageBox::No, dono_);
    caixa.setObjectName("caixaPergunta");
    caixa.setDefaultButton(QMessageBox::No);
    caixa.button(QMessageBox::Yes)->setText("Sim");
    caixa.button(QMessageBox::No)->setText("Não");
    return caixa.exec() == QMessageBox::Yes;
}

}  // namespace tarrow
