#include "ui/application.h"
#include "ui/form1.h"
#include "ui/formmessage.h"

#include <memory>

int main(int argc, char** argv) {
    px708::TApplication app(argc, argv);
    auto Form1 = std::make_unique<TForm1>();
    // The one instance of the message dialog that program start creates; each message gets a
    // dialog of its own, so nothing shows this one.
    auto Formmessage = std::make_unique<TFormmessage>(Form1.get());
    Form1->show();
    return app.exec();
}
