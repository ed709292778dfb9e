#pragma once

#include "era_conversion.h"
#include "form_description.h"
#include "form_state.h"
#include "picture_loader.h"
#include "year_shown.h"

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <optional>

class Announcer;
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
    void paintEvent(QPaintEvent *event) override;

private:
    void connectHandlers();

    // Event handlers, named after their control and event.
    void Form_Load();
    void textNen_Change();
    void textNen_KeyDown(Qt::Key key);
    void textNen_Click();
    void textNen_GotFocus();
    void cboGengo_KeyDown(Qt::Key key);
    void Option1_GotFocus();
    void Option1_KeyDown(Qt::Key key);
    void Option2_Click();
    void textShitei_Change();
    void textShitei_GotFocus();
    void textShitei_KeyDown(Qt::Key key);
    void Image1_Click();
    void Image1_DblClick();

    // The steps of the recalculation.
    std::optional<almanac::EraYears> readTypedYear();
    void refuseTypedYear();
    void emptyYearBox();
    void showYearName(const almanac::YearShown &shown);
    void showSigns(const almanac::YearShown &shown);
    void showAge();

    void writeThisYearAge();
    void writeDesignatedYearAge();
    bool readDesignatedYear();
    void applySignColour();
    void setShiteiBackColour(std::uint32_t bgr);
    void focusByKey(QWidget *control);

    void announceResults();

    void showPicture(QStringView fileName, QStringView placeholderGlyph, const QString &spoken);
    void showStartPicture();
    void showPictureAgain();

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
    // The Western year the outputs show: the last one accepted. A refused
    // entry sets seireki to 0 but leaves the outputs, and so the age, on it.
    std::optional<std::int32_t> yearShown;

    // The picture files beside the program, read off the window's thread.
    PictureLoader *pictures;
    bool readerStarted = false;
    struct {
        QStringView fileName; // empty: the start picture
        QStringView glyph;
        QString spoken; // what the picture shows, for a screen reader
    } shownPicture;

    // The results are told to a screen reader once they have settled, so
    // that fast typing is not followed by the years typed on the way.
    Announcer *announcer;
    QTimer resultsSettling;
    struct {
        QString year, signs, age;
    } announced;

    QObject *focusKeptThroughDeactivation = nullptr;
};
