#include "ui/FrameworkErrors.h"

#include "platform/Errors.h"
#include "platform/ProgramDir.h"

namespace tarrow {

std::string TextoCaixaErro(const std::string& mensagem)
{
    if (!mensagem.empty() && static_cast<unsigned char>(mensagem.back()) > static_cast<unsigned char>('.'))
        return mensagem + ".";
    return mensagem;
}

bool ExecutaManipulador(const std::function<void()>& manipulador,
                        const std::function<void(const std::string& texto)>& mostra)
{
    std::string mensagem;
    try {
        manipulador();
        return true;
    } catch (const EAbort&) {
        return false;
    } catch (const std::exception& e) {
        mensagem = e.what();
    } catch (...) {
        mensagem = "Unknown error";
    }
    mostra(TextoCaixaErro(mensagem));
    return false;
}

bool ExecutaManipulador(TMensagens& mensagens, const std::function<void()>& manipulador)
{
    return ExecutaManipulador(manipulador, [&](const std::string& texto) {
        mensagens.Mensagem(texto, ProgramTitle(), TIconeMensagem::Erro);
    });
}

}  // namespace tarrow
