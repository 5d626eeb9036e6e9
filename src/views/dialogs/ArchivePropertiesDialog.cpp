#include "ArchivePropertiesDialog.h"

#include "PropertyTexts.h"
#include "SecretLineEdit.h"
#include "StringTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <utility>

namespace quorvane {

namespace {

QLabel* Note(const char* text, QWidget* parent) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QComboBox* List(const QString& name, const QStringList& items, int selected, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    list->addItems(items);
    list->setCurrentIndex(selected); // -1 leaves it without a selection
    return list;
}

} // namespace

ArchivePropertiesDialog::ArchivePropertiesDialog(const ArchivePropertiesForm& form, QWidget* parent)
    : QDialog(parent)
    , form_(form) {
    const DialogStrings strings = StringTable::Dialog(kDlgArchiveProperties);
    setWindowTitle(strings.title);
    setObjectName(QStringLiteral("archivePropertiesDialog"));
    auto* layout = new QVBoxLayout(this);

    auto* encryptionGroup = new QGroupBox(QStringLiteral("Archive Encryption"), this);
    auto* encryptionGrid = new QGridLayout(encryptionGroup);
    encryption_ = new QCheckBox(strings.checkBox, encryptionGroup);
    encryption_->setObjectName(QStringLiteral("encryption"));
    encryption_->setChecked(form_.encryption);
    encryptionGrid->addWidget(encryption_, 0, 0, 1, 2);

    passwordLabel_ = new QLabel(QStringLiteral("Enter archive password:"), encryptionGroup);
    password_ = new SecretLineEdit(kMaxPassword, encryptionGroup);
    password_->setObjectName(QStringLiteral("password"));
    password_->setAccessibleName(QStringLiteral("Enter archive password:"));
    passwordLabel_->setBuddy(password_);
    encryptionGrid->addWidget(passwordLabel_, 1, 0);
    encryptionGrid->addWidget(password_, 1, 1);

    QStringList methods;
    for (int index = 0; index < 3; ++index) {
        methods << PropertyTexts::MethodName(ArchivePropertiesForm::MethodForIndex(index));
    }
    methodLabel_ = new QLabel(QStringLiteral("Select encryption method:"), encryptionGroup);
    method_ = List(QStringLiteral("method"), methods, form_.MethodIndex(), encryptionGroup);
    method_->setAccessibleName(QStringLiteral("Select encryption method:"));
    methodLabel_->setBuddy(method_);
    encryptionGrid->addWidget(methodLabel_, 2, 0);
    encryptionGrid->addWidget(method_, 2, 1);

    auto* encryptionNotes = new QVBoxLayout;
    encryptionNotes->setContentsMargins(0, 6, 0, 0);
    encryptionNotes->addWidget(Note("\u00b7 Remember your password. Passwords are case-sensitive \n"
                                    "  and cannot be recovered.",
                                    encryptionGroup));
    encryptionNotes->addWidget(Note("\u00b7 Longer passwords are more secure. Passwords can be\n"
                                    "  up to 16 characters for 128-bit encryption.",
                                    encryptionGroup));
    encryptionGrid->addLayout(encryptionNotes, 3, 0, 1, 2);
    encryptionGrid->setColumnStretch(1, 1);
    layout->addWidget(encryptionGroup);

    auto* thumbnailGroup = new QGroupBox(QStringLiteral("Image Thumbnails"), this);
    auto* thumbnailGrid = new QGridLayout(thumbnailGroup);
    thumbnails_ = List(QStringLiteral("thumbnails"),
                       {QStringLiteral("Disable Thumbnails (Smaller Archive Size)"),
                        QStringLiteral("Enable Standard Thumbnails (Fast)"),
                        QStringLiteral("Enable High-Quality Thumbnails (Anti-Aliased)")},
                       form_.ThumbnailModeIndex(), thumbnailGroup);
    thumbnails_->setAccessibleName(QStringLiteral("Image Thumbnails"));
    thumbnailGrid->addWidget(thumbnails_, 0, 0, 1, 2);

    sizeLabel_ = new QLabel(QStringLiteral("Select thumbnail size:"), thumbnailGroup);
    size_ = List(QStringLiteral("thumbnailSize"),
                 {QStringLiteral("32 by 32 pixels"), QStringLiteral("48 by 48 pixels"),
                  QStringLiteral("64 by 64 pixels"), QStringLiteral("96 by 96 pixels")},
                 form_.SizeIndex(), thumbnailGroup);
    size_->setAccessibleName(QStringLiteral("Select thumbnail size:"));
    sizeLabel_->setBuddy(size_);
    thumbnailGrid->addWidget(sizeLabel_, 1, 0);
    thumbnailGrid->addWidget(size_, 1, 1);

    colourLabel_ = new QLabel(QStringLiteral("Select thumbnail colors:"), thumbnailGroup);
    colour_ = List(QStringLiteral("thumbnailColours"),
                   {QStringLiteral("Gray Scale (8 bit)"), QStringLiteral("High Color (16 bit)")},
                   form_.ColourIndex(), thumbnailGroup);
    colour_->setAccessibleName(QStringLiteral("Select thumbnail colors:"));
    colourLabel_->setBuddy(colour_);
    thumbnailGrid->addWidget(colourLabel_, 2, 0);
    thumbnailGrid->addWidget(colour_, 2, 1);
    thumbnailGrid->setColumnStretch(1, 1);
    layout->addWidget(thumbnailGroup);

    auto* note = Note("\u00b7 For your protection, the archive's properties and password \n"
                      "  cannot be changed after the archive has been created.",
                      this);
    note->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(note);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(strings.buttons.value(0));
    buttons->button(QDialogButtonBox::Cancel)->setText(strings.buttons.value(1));
    help_ = buttons->addButton(strings.buttons.value(2), QDialogButtonBox::HelpRole);
    help_->setObjectName(QStringLiteral("help"));
    help_->hide();
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] {
        if (helpHandler_) {
            helpHandler_();
        }
    });
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(encryption_, &QCheckBox::toggled, this, [this](bool on) {
        if (on != form_.encryption) {
            form_.ToggleEncryption();
        }
        FollowForm();
        if (form_.encryption) {
            // Back on: the kept password is offered again, selected, so typing replaces it.
            password_->selectAll();
        }
    });
    connect(method_, &QComboBox::currentIndexChanged, this, [this](int index) { form_.SelectMethod(index); });
    connect(thumbnails_, &QComboBox::currentIndexChanged, this, [this](int index) {
        form_.SelectThumbnailMode(index);
        FollowForm();
    });
    connect(size_, &QComboBox::currentIndexChanged, this, [this](int index) { form_.SelectSize(index); });
    connect(colour_, &QComboBox::currentIndexChanged, this, [this](int index) { form_.SelectColour(index); });

    FollowForm();
    if (form_.encryption) {
        password_->setFocus();
    } else {
        encryption_->setFocus();
    }
}

void ArchivePropertiesDialog::accept() {
    password_->MoveInto(typed_);
    QDialog::accept();
}

void ArchivePropertiesDialog::TakePassword(SecretText& password) {
    password = typed_;
    typed_.Wipe();
}

void ArchivePropertiesDialog::SetHelpHandler(std::function<void()> handler) {
    helpHandler_ = std::move(handler);
    help_->setVisible(static_cast<bool>(helpHandler_));
}

void ArchivePropertiesDialog::FollowForm() {
    const QSignalBlocker blocker(encryption_);
    encryption_->setChecked(form_.encryption);
    const bool encrypted = form_.PasswordControlsEnabled();
    passwordLabel_->setEnabled(encrypted);
    password_->setEnabled(encrypted);
    methodLabel_->setEnabled(encrypted);
    method_->setEnabled(encrypted);
    const bool thumbnails = form_.ThumbnailControlsEnabled();
    sizeLabel_->setEnabled(thumbnails);
    size_->setEnabled(thumbnails);
    colourLabel_->setEnabled(thumbnails);
    colour_->setEnabled(thumbnails);
}

} // namespace quorvane
