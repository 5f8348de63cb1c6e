// The edits' exit handlers with the program's application object, which shows a handler's
// exception. When they run is tested with the set-up window.
#include "EditExitHandlers.h"
#include "QuorvexApplication.h"

#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>

namespace {

class EditExitTest : public testing::Test {
protected:
    void SetUp() override
    {
        QuorvexApplication::ExceptionDisplay = [this](const QString& message) { shown << message; };
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(edit);
        layout->addWidget(other);
        window.show();
        QApplication::setActiveWindow(&window);
        edit->setFocus();
        ASSERT_TRUE(edit->hasFocus());
    }
    void TearDown() override { QuorvexApplication::ExceptionDisplay = previousDisplay; }

    const std::function<void(const QString&)> previousDisplay = QuorvexApplication::ExceptionDisplay;
    QWidget window;
    QLineEdit* edit = new QLineEdit(&window);
    QLineEdit* other = new QLineEdit(&window);
    QStringList shown;
    int exits = 0;
};

}  // namespace

TEST_F(EditExitTest, AnEditLetsGoOfTheFocusWhenItsHandlerThrows)
{
    EditExitHandlers handlers;
    handlers.Attach(edit, [] { throw std::runtime_error("'abc' is not a valid floating point value"); });
    edit->setText("abc");
    edit->selectAll();
    other->setFocus();
    EXPECT_EQ(shown, QStringList{"'abc' is not a valid floating point value"});
    EXPECT_TRUE(other->hasFocus());
    EXPECT_FALSE(edit->hasSelectedText()) << "the edit that was left did not finish its own focus-out";
}

TEST_F(EditExitTest, HandlersStopWhenTheObjectThatHoldsThemGoes)
{
    auto handlers = std::make_unique<EditExitHandlers>();
    handlers->Attach(edit, [this] { ++exits; });
    handlers.reset();
    other->setFocus();
    EXPECT_EQ(exits, 0);
}
