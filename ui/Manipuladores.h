#pragma once
// The windows' event handlers as rules over the relay core's window-facing interfaces: each
// implementation supplies its controls through TCamposManual and its boxes through TMensagens.

#include "relay/Janela.h"

namespace tarrow {

class TUMain;

enum class TCampoFoco { NumLanc, Ate };

// The manual sender's controls the handlers read and set, beyond the choices of TEscolhaEnvio.
class TCamposManual : public TEscolhaEnvio {
public:
    virtual void Foca(TCampoFoco campo) = 0;
    virtual void HabilitaBotoes(bool habilitados) = 0;
    // The gauge at its minimum, the label back to "Aguardando envio".
    virtual void ReiniciaProgresso() = 0;
};

// ValidaDados: the two warnings, each with the focus on its field afterwards.
bool ValidaDados(TCamposManual& campos, TMensagens& mensagens);

// btnVerificarClick: the counts of the current choice in one box.
void VerificaPendentes(TCamposManual& campos, TUMain& logica, TMensagens& mensagens);

// btnEnviarClick: the check, the confirmation (No being the default), the send with both buttons
// disabled, "Envio concluído." and the gauge back at rest. An error that ends the send passes to
// the caller (the framework's error box) with the buttons enabled again.
void EnviaConfirmado(TCamposManual& campos, TUMain& logica, TMensagens& mensagens);
// The same with `enviando` raised for the handler's length, whatever way it ends: a close asked
// for meanwhile must wait for the send's end, and the window learns of it from this flag.
void EnviaConfirmado(TCamposManual& campos, TUMain& logica, TMensagens& mensagens, bool& enviando);

// The automatic sender's button; its tick sends without telling anyone that another sender holds
// the store's lock (unattended boxes would pile up), the button says so.
void EnviaPeloBotao(TUMain& logica, TMensagens& mensagens);
void EnviaPeloTimer(TUMain& logica);

}  // namespace tarrow
