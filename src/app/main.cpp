// Quorvex: psychophysical tuning curves with a swept masker.
#include "Clock.h"
#include "QtEventDispatcher.h"
#include "QuorvexApplication.h"
#include "TForm1.h"

#include <exception>

int main(int argc, char** argv)
{
    QuorvexApplication app(argc, argv);
    try {
        SteadyClock clock;
        QtEventDispatcher dispatcher;
        TForm1 form1(TForm1Devices{&clock, &dispatcher});
        form1.show();
        return QuorvexApplication::exec();
    } catch (const std::exception& error) {
        QuorvexApplication::ShowException(QString::fromUtf8(error.what()));
    } catch (...) {
        QuorvexApplication::ShowException(QString());
    }
    return 0;
}
