// The framework's error box: what leaves a handler is shown once, with the program's title, and
// the event loop goes on.
#include "tests/ui/MensagensGravadas.h"

#include "platform/Errors.h"
#include "platform/ProgramDir.h"
#include "ui/FrameworkErrors.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace tarrow::test {
namespace {

TEST(CaixaDeErro, AFullStopIsAppendedOnlyWhenTheLastCharacterSortsAfterIt)
{
    EXPECT_EQ(TextoCaixaErro("Lost connection to MySQL server during query"),
              "Lost connection to MySQL server during query.");
    EXPECT_EQ(TextoCaixaErro("Já termina com ponto."), "Já termina com ponto.");
    EXPECT_EQ(TextoCaixaErro("Erro 404!"), "Erro 404!") << "'!' sorts before '.'";
    EXPECT_EQ(TextoCaixaErro("porta 80)"), "porta 80)");
    EXPECT_EQ(TextoCaixaErro("caminho /"), "caminho /.");
    EXPECT_EQ(TextoCaixaErro("Não é válido: 'ã"), "Não é válido: 'ã.") << "bytes above 127 sort after '.'";
    EXPECT_EQ(TextoCaixaErro(""), "");
}

TEST(CaixaDeErro, AHandlerErrorIsShownOnceWithTheProgramTitleAndAnAbortIsSilent)
{
    TMensagensGravadas caixas;
    EXPECT_FALSE(ExecutaManipulador(caixas, [] { throw EConvertError("'' is not a valid integer value"); }));
    ASSERT_EQ(caixas.Caixas.size(), 1u);
    EXPECT_EQ(caixas.Caixas[0].Texto, "'' is not a valid integer value.");
    EXPECT_EQ(caixas.Caixas[0].Titulo, ProgramTitle());
    EXPECT_EQ(caixas.Caixas[0].Icone, TIconeMensagem::Erro);

    EXPECT_FALSE(ExecutaManipulador(caixas, [] { throw EAbort(); }));
    EXPECT_FALSE(ExecutaManipulador(caixas, [] { throw std::runtime_error("falha"); }));
    EXPECT_TRUE(ExecutaManipulador(caixas, [] {}));
    EXPECT_EQ(caixas.Textos(), (std::vector<std::string>{"'' is not a valid integer value.", "falha."}));
}

}  // namespace
}  // namespace tarrow::test
