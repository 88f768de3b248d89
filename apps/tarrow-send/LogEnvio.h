#pragma once
// tarrow-send's log (--log FILE): what each run did, appended to one file that several runs share,
// for a scheduler's runs that nobody watches. A line per event, in UTF-8, each beginning with the
// local time and the run's process number: the start (version and options), every sale relayed,
// given up or left unfinished, the warnings and errors the run printed, and the end (exit status
// and its reason).

#include "apps/tarrow-send/Opcoes.h"
#include "platform/AppendFile.h"
#include "relay/UMain.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

namespace tarrow {

class TLogEnvio {
public:
    // FILE grows to the limit; then FILE.1 … FILE.4 keep the older lines, FILE.4 the oldest.
    static constexpr std::uintmax_t kTamanhoMaximo = 1024 * 1024;
    static constexpr int kAnteriores = 4;

    // The system's reason when the file cannot be opened.
    std::optional<std::string> Abre(const std::string& arquivo);

    // Each line of texto as a line of the log, written through to the system at once. A log that
    // can no longer be written never stops the send.
    void Linha(const std::string& texto) noexcept;

    // Moves a full FILE aside and goes on in a new one. Only the run that holds the store's send
    // lock may do it: two runs never rotate at once, and a run refused by the lock keeps
    // appending to the file it opened (on Windows too: it shares the right to rename it).
    void Gira() noexcept;

    // The sale lines, as the relay core reports its steps; the lock's step rotates.
    void Passo(TPassoEnvio passo, TTipoMovimento tipo, const std::string& registro) noexcept;

    // The last error line the run printed (through Copia), for the end line's reason.
    const std::string& UltimoErro() const noexcept { return ultimoErro_; }
    void AnotaErro(const std::string& linha);

private:
    std::string arquivo_;
    TAppendFile log_;
    std::string ultimoErro_;
};

// A stream that passes everything to destino, as it came, and records each whole line in the log.
class TCopiaParaLog final : public std::streambuf {
public:
    TCopiaParaLog(std::ostream& destino, TLogEnvio& log) : destino_(*destino.rdbuf()), log_(log) {}
    ~TCopiaParaLog() override;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* texto, std::streamsize quantos) override;
    int sync() override;

private:
    void Guarda(const char* texto, std::size_t quantos);

    std::streambuf& destino_;
    TLogEnvio& log_;
    std::string linha_;
};

// The send of ExecutaSemJanela with its lines in opcoes.Log, from the start line to the end line.
// argumentos: the command line as given, for the start line.
int ExecutaComLog(const TOpcoesEnvio& opcoes, const std::vector<std::string>& argumentos, std::ostream& saida,
                  std::ostream& erros, bool terminal);

}  // namespace tarrow
