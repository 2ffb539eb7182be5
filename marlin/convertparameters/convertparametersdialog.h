#pragma once

#include "kelframe/keldialog.h"
#include "shared/mediaprofile.h"

#include <QList>
#include <QString>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace Ui {
class ConvertParametersDialogUi;
}

namespace Tarn {

class ConvertParametersWidget;

// "Convert to": the user picks the target of a conversion, a preset of one
// of the categories or a profile of their own ("Customize"). Accepting
// stores the choice as the last conversion profile (and a custom profile as
// the last custom profile) and the "don't ask again" choice as the
// conversion mode; cancelling changes nothing. Run it through
// MainWindowUtils::exec() and read getProfile() after a result of 1.
class ConvertParametersDialog : public KelDialog
{
    Q_OBJECT
public:
    // The key of the custom page among the categories.
    static const QString CustomizeCategory;

    explicit ConvertParametersDialog(QWidget *parent = nullptr);
    ~ConvertParametersDialog() override;

    // The profile chosen (after acceptance) or shown (before).
    Kel::MediaProfile getProfile() const { return currentProfile; }

    // The category shown: a preset category's name or CustomizeCategory.
    QString currentCategory() const;
    // Shows a category as if its button was clicked; false when there is
    // no such category.
    bool selectCategory(const QString &category);
    // Selects the tile of a preset of the category shown; false when there
    // is none of that name.
    bool selectProfile(const QString &name);
    bool isCustomPageShown() const;

    // The parts, for tests and the gallery.
    QListWidget *profileList() const;
    ConvertParametersWidget *customWidget() const;
    QCheckBox *defaultCheckBox() const;
    QPushButton *acceptButton() const;
    QPushButton *cancelButton() const;
    QList<QAbstractButton *> categoryButtons() const;

    // The category's name in the user's language (the names come from the
    // presets file).
    static QString categoryTitle(const QString &category);
    // What a preset's tile says under its name: the format and the frame
    // size, or the bit rate of a sound format. The preset's own words are
    // in the brief below the tiles.
    static QString presetSummary(const Kel::MediaProfile &profile);

public slots:
    void onCategoryButtonChecked(bool checked);
    void onCurrentProfileItemChanged(QListWidgetItem *current, QListWidgetItem *previous);
    void onAccept();
    void onCancel();
    void onListItemDoubleClicked(QListWidgetItem *item);
    void onCustomizeParameterChanged();
    void retranslate() override;
    void updateUiState() override;

private:
    void buildCategories();
    void showCategory(const QString &category);
    void fillProfiles(const QString &category);
    void showBrief(const Kel::MediaProfile &profile);
    void applyIcons();
    QString categoryIcon(const QString &category) const;

    Ui::ConvertParametersDialogUi *ui;
    QButtonGroup *categoryGroup;
    Kel::MediaProfile currentProfile;
    // The preset chosen last on a preset page, kept while the custom page
    // shows.
    Kel::MediaProfile presetProfile;
    QString shownCategory;
};

} // namespace Tarn
