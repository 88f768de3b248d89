#include "ui/Manipuladores.h"

#include "relay/UMain.h"

#include <string>

namespace tarrow {

bool ValidaDados(TCamposManual& campos, TMensagens& mensagens)
{
    if (campos.Opcao() == TOpcaoEnvio::NumeroLancamento && campos.NumeroLancamento().empty()) {
        mensagens.Mensagem("Informe o número de lançamento.", "Atenção", TIconeMensagem::Aviso);
        campos.Foca(TCampoFoco::NumLanc);
        return false;
    }
    // Equal dates pass: the fields hold whole days.
    if (campos.Opcao() == TOpcaoEnvio::Periodo && campos.DataInicial() > campos.DataFinal()) {
        mensagens.Mensagem("Data final é menor que a data inicial.", "Atenção", TIconeMensagem::Aviso);
        campos.Foca(TCampoFoco::Ate);
        return false;
    }
    return true;
}

void VerificaPendentes(TCamposManual& campos, TUMain& logica, TMensagens& mensagens)
{
    if (!ValidaDados(campos, mensagens)) return;
    const int vendas = logica.ContaVendas();
    const int devolucoes = logica.ContaDevolucoes();
    mensagens.Mensagem("Existe(m) " + std::to_string(vendas) + " venda(s) e " + std::to_string(devolucoes) +
                           " devolução(ões) pendente(s) a enviar.",
                       "Atenção", TIconeMensagem::Informacao);
}

void EnviaConfirmado(TCamposManual& campos, TUMain& logica, TMensagens& mensagens)
{
    if (!ValidaDados(campos, mensagens)) return;
    if (!mensagens.Pergunta("Deseja enviar as vendas?", "Atenção")) return;
    campos.HabilitaBotoes(false);
    struct TAoSair {
        TCamposManual& campos;
        // An error that ends a send must not leave the window without its buttons.
        ~TAoSair() { campos.HabilitaBotoes(true); }
    } aoSair{campos};
    if (!logica.Enviar()) {
        mensagens.Mensagem(kOutroEnvio, "Atenção", TIconeMensagem::Aviso);
        return;
    }
    campos.HabilitaBotoes(true);
    mensagens.Mensagem("Envio concluído.", "Atenção", TIconeMensagem::Informacao);
    campos.ReiniciaProgresso();
}

void EnviaConfirmado(TCamposManual& campos, TUMain& logica, TMensagens& mensagens, bool& enviando)
{
    enviando = true;
    struct TAoSair {
        bool& enviando;
        ~TAoSair() { enviando = false; }
    } aoSair{enviando};
    EnviaConfirmado(campos, logica, mensagens);
}

void EnviaPeloBotao(TUMain& logica, TMensagens& mensagens)
{
    if (!logica.Enviar()) mensagens.Mensagem(kOutroEnvio, "Atenção", TIconeMensagem::Aviso);
}

void EnviaPeloTimer(TUMain& logica) { (void)logica.Enviar(); }

}  // namespace tarrow
