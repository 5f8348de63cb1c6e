// When the set-up window's edit handlers run, with the program's application object, which
// shows a handler's exception.
#include "EditExitHandlers.h"
#include "QuorvexApplication.h"

#include <QLineEdit>
#include <QMenu>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

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

    QWidget window;
    QLineEdit* edit = new QLineEdit(&window);
    QLineEdit* other = new QLineEdit(&window);
    QStringList shown;
    int exits = 0;
};

}  // namespace

TEST_F(EditExitTest, RunsWhenTheFocusMovesToAnotherControlOfTheWindowOnly)
{
    EditExitHandlers handlers;
    handlers.Attach(edit, [this] { ++exits; });

    QMenu menu;
    menu.addAction("Exit");
    menu.popup(window.mapToGlobal(QPoint(0, 0)));
    QApplication::processEvents();
    menu.close();
    EXPECT_EQ(exits, 0) << "a popup menu is no exit";

    QWidget elsewhere;
    elsewhere.show();
    QApplication::setActiveWindow(&elsewhere);
    QApplication::setActiveWindow(&window);
    EXPECT_EQ(exits, 0) << "another window taking the focus is no exit";
    ASSERT_TRUE(edit->hasFocus());

    other->setFocus();
    EXPECT_EQ(exits, 1);
    edit->setFocus();
    other->setFocus();  // unchanged text: an exit all the same
    EXPECT_EQ(exits, 2);
}

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
