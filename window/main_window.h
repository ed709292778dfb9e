#pragma once

#include "form_state.h"
#include "picture_files.h"

#include <QWidget>
#include <cstdint>
#include <optional>

class QComboBox;
class OutputLabel;
class OptionButton;
class PictureBox;
class TextBox;

// The one window of the program. Constructing it creates the controls from
// the window description and runs the load handler; showing it is the
// caller's part.
class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(QWidget *parent = nullptr);

    const FormState &formState() const { return state; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void connectHandlers();

    // Event handlers, named after their control and event.
    void Form_Load();
    void textNen_Change();
    void textNen_KeyDown(int keyCode, int shift);
    void textNen_Click();
    void textNen_GotFocus();
    void cboGengo_KeyDown(int keyCode, int shift);
    void Option1_GotFocus();
    void Option1_KeyDown(int keyCode, int shift);
    void Option2_Click();
    void textShitei_Change();
    void textShitei_GotFocus();
    void textShitei_KeyDown(int keyCode, int shift);
    void Image1_Click();
    void Image1_DblClick();

    void showPicture(QStringView storedName, QStringView placeholderGlyph);
    void showStartPicture();
    void showPictureAgain();
    void writeAge(std::optional<std::int32_t> age);
    void applySignColour();
    void setShiteiBackColour(std::uint32_t bgr);
    void focusByKey(QWidget *control);
    static void selectWholeText(TextBox *box);

    QComboBox *cboGengo;
    TextBox *textShitei;
    OptionButton *Option2;
    OptionButton *Option1;
    OutputLabel *lblnenrei;
    TextBox *textNen;
    OutputLabel *lblNen;
    OutputLabel *lblGengo;
    PictureBox *Image1;
    OutputLabel *lblkana;
    OutputLabel *lbleto;
    OutputLabel *lbl9sei;

    FormState state;
    PictureFiles pictures;
    struct {
        QStringView storedName; // empty: the start picture
        QStringView glyph;
    } shownPicture;

    QObject *focusKeptThroughDeactivation = nullptr;
};
