#pragma once
// A program a test starts as a scheduler or an operator would, and may ask to stop as they would:
// its standard input empty, its output and errors into files (neither is a terminal).

#include <string>
#include <vector>

namespace tarrow::test {

class TProgramaFilho {
public:
    // programa: its file as the build names it (a Linux path under Wine is reached through Z:).
    TProgramaFilho(const std::string& programa, const std::vector<std::string>& argumentos,
                   const std::string& saida, const std::string& erros);
    // Waits for a program still running.
    ~TProgramaFilho();
    TProgramaFilho(const TProgramaFilho&) = delete;
    TProgramaFilho& operator=(const TProgramaFilho&) = delete;

    bool Iniciado() const;
    // Its exit status, once it has ended; -1 when it never started.
    int Espera();
    // The stop request a service manager or an operator sends: SIGTERM on Linux; Ctrl+Break on
    // Windows, to the console group the program was started in (Ctrl+C cannot be aimed at one
    // program). False when the system could not deliver it: a test program without a console,
    // as under Wine, has no console to send it through.
    bool PedeParada();
#ifdef _WIN32
    // Its process, as the system numbers it (its windows say whose they are by it).
    unsigned long Id() const { return id_; }
#endif

private:
#ifdef _WIN32
    void* processo_ = nullptr;
    unsigned long id_ = 0;
#else
    int pid_ = -1;
#endif
    int status_ = -1;
    bool terminado_ = false;
};

}  // namespace tarrow::test
