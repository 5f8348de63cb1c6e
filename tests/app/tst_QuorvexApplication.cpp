// The application's exception display, with the application object the program uses.
#include "QuorvexApplication.h"

#include <QEvent>
#include <QObject>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// An event handler that fails, as a handler given a bad parameter would.
class FailingHandler : public QObject {
public:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User) {
            throw std::runtime_error("'abc' is not a valid floating point value");
        }
        if (e->type() == QEvent::User + 1) {
            throw 42;  // not a standard exception: shown with an empty message
        }
        return QObject::event(e);
    }
};

}  // namespace

TEST(QuorvexApplication, ShowsAnEscapedExceptionAndGoesOn)
{
    QStringList shown;
    QuorvexApplication::ExceptionDisplay = [&shown](const QString& message) { shown << message; };
    FailingHandler handler;
    QCoreApplication::postEvent(&handler, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&handler, new QEvent(static_cast<QEvent::Type>(QEvent::User + 1)));
    QCoreApplication::processEvents();
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0], "'abc' is not a valid floating point value");
    EXPECT_EQ(shown[1], "");
    EXPECT_EQ(QApplication::applicationDisplayName(), "Quorvex");
}

TEST(QuorvexApplication, SetsNoDisplayNameThatThePlatformWouldAppendToEveryCaption)
{
    EXPECT_EQ(QApplication::applicationDisplayName(), "Quorvex") << "the title of message boxes";
    QCoreApplication::setApplicationName("Renamed");
    EXPECT_EQ(QApplication::applicationDisplayName(), "Renamed") << "a display name of its own was set";
    QCoreApplication::setApplicationName("Quorvex");
}

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    QuorvexApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
