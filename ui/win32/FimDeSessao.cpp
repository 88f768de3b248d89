#include "ui/win32/JanelaPrincipal.h"
#include "ui/win32/Texto.h"

// The session's end (a log-off, a shutdown, a restart) as the windows meet it. A send runs on the
// window's thread and answers the system between two web service calls, so the system's question
// arrives nested inside the send: it is recorded and answered at once, and the send, asked to
// stop after the sale in hand, ends the program when it has.

namespace tarrow {

void TJanelaPrincipal::AtendeMensagensEnviadas()
{
    MSG m;
    // Sent messages are dispatched by the peek itself; nothing else matches the filter, and
    // nothing is removed.
    PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

LRESULT TJanelaPrincipal::ConsultaFimDeSessao()
{
    // Nothing is lost when no send is in hand: the session may end now.
    if (!logica_.EnvioEmAndamento()) return TRUE;
    // A sale cut between its header and its mark would go again whole, header and every line:
    // the send stops after the sale in hand, and the program's end then lets the session end go
    // on by itself.
    fimDeSessao_ = true;
    if (!motivoBloqueio_)
        motivoBloqueio_ = ShutdownBlockReasonCreate(janela_, Largo(kMotivoFimDeSessao).c_str()) != FALSE;
    return FALSE;
}

void TJanelaPrincipal::FimDeSessao(bool terminando)
{
    if (terminando) {
        // The process may be ended as soon as this returns. A send in hand has been asked to stop
        // at the next sale's edge, should the system leave it that long; with none the window goes
        // now.
        fimDeSessao_ = true;
        EncerraSeFimDeSessao();
        return;
    }
    // Someone cancelled the session's end: a send still running goes on to its end.
    if (fimDeSessao_ && logica_.EnvioEmAndamento()) {
        fimDeSessao_ = false;
        RetiraMotivoBloqueio();
    }
}

void TJanelaPrincipal::RetiraMotivoBloqueio()
{
    if (motivoBloqueio_) ShutdownBlockReasonDestroy(janela_);
    motivoBloqueio_ = false;
}

void TJanelaPrincipal::EncerraSeFimDeSessao()
{
    if (!fimDeSessao_ || logica_.EnvioEmAndamento() || janela_ == nullptr) return;
    RetiraMotivoBloqueio();
    if (encerrandoPorFimDeSessao_) return;
    encerrandoPorFimDeSessao_ = true;
    // Through the message loop: the handler that stopped is still on the stack. A close is what
    // ends either window (the manual one's waits for no send now).
    PostMessageW(janela_, WM_CLOSE, 0, 0);
}

}  // namespace tarrow
