#pragma once

#include <QString>

#include <memory>

class Tmain;
class Tgrpx;
class Tsgrpx;
class Tyeni_sinav;
class Tsinav_soru_ekle;
class Tsoru_detay;
class Tqeditx;
class Tqimport;
class Tsoru_gir;

namespace storage {
class Session;
}

namespace app {

// The program's nine windows. Each exists once, from start-up to the end.
struct Forms {
    Tmain* main = nullptr;
    Tgrpx* grpx = nullptr;
    Tsgrpx* sgrpx = nullptr;
    Tyeni_sinav* yeni_sinav = nullptr;
    Tsinav_soru_ekle* sinav_soru_ekle = nullptr;
    Tsoru_detay* soru_detay = nullptr;
    Tqeditx* qeditx = nullptr;
    Tqimport* qimport = nullptr;
    Tsoru_gir* soru_gir = nullptr;
};

// Creates the data session and the nine windows, hidden, in their order, and
// destroys them all when it goes. The executable path decides where the
// database is looked for.
class Program {
public:
    explicit Program(const QString& executablePath);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    storage::Session& session() { return *session_; }
    const Forms& forms() const { return forms_; }

private:
    std::unique_ptr<storage::Session> session_;
    Forms forms_;
};

}  // namespace app
