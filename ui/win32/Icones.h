#pragma once
// The programs' pictures, drawn with GDI at the size asked for: the title bar's and the
// notification area's icon, and the small pictures of the push buttons.

#include <windows.h>

namespace tarrow {

// Owns one icon.
class TIcone {
public:
    explicit TIcone(HICON icone = nullptr) noexcept : icone_(icone) {}
    TIcone(TIcone&& outro) noexcept : icone_(outro.icone_) { outro.icone_ = nullptr; }
    TIcone& operator=(TIcone&& outro) noexcept;
    TIcone(const TIcone&) = delete;
    TIcone& operator=(const TIcone&) = delete;
    ~TIcone();
    HICON Handle() const noexcept { return icone_; }

private:
    HICON icone_;
};

// A pharmacy's green cross on a white tile, and an orange arrow leaving it for the network.
TIcone IconeTarrow(int lado);
// The send buttons' arrow and the count button's magnifier, 16 pixels square.
TIcone IconeEnviar();
TIcone IconeVerificar();

}  // namespace tarrow
