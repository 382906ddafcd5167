// The size dialogs of the grading: 本码参数 (CCard), 目标参数 (CDstPrm), 各国等差标准 (CDlgStd) and
// 全清方案. Their rules are the GUI-free models of grading/size_dialogs.h; these windows only
// show the fields and pass the user's edits on.
#pragma once

#include <QDialog>
#include <array>
#include <vector>

#include "grading/size_dialogs.h"
#include "model/design.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace rz {

class Platform;

class CardDialog : public QDialog {
public:
    CardDialog(QWidget* parent, const Design& d, Platform& platform);
    const CardModel& model() const { return m_; }
    // Test access to the controls.
    QComboBox* systemBox() const { return system_; }
    QSpinBox* fromBox() const { return from_; }
    QSpinBox* toBox() const { return to_; }
    QLineEdit* paramEdit(int i) const { return params_[size_t(i)]; }
    void pressF8();

private:
    void refresh();
    void readParams();
    CardModel m_;
    Platform& platform_;
    bool refreshing_ = false;
    std::array<QLineEdit*, 4> params_{};
    QSpinBox *lengthAdj_, *girthAdj_, *base_, *from_, *to_, *autoSave_;
    QLineEdit* report_;
    QComboBox *system_, *category_, *width_;
    QCheckBox *half_, *saveGrading_, *savePictures_;
};

// 选号输出's size choice (CPartSlct): a button per size toggles the "√" under it.
class SizeChoiceDialog : public QDialog {
public:
    SizeChoiceDialog(QWidget* parent, const Design& d);
    const SizeChoiceModel& model() const { return m_; }
    QPushButton* sizeButton(int i) const { return buttons_[size_t(i)]; }
    QLabel* markLabel(int i) const { return marks_[size_t(i)]; }

private:
    SizeChoiceModel m_;
    std::vector<QPushButton*> buttons_;
    std::vector<QLabel*> marks_;
};

class TargetDialog : public QDialog {
public:
    TargetDialog(QWidget* parent, const Design& d, const BasePoint* basePoint = nullptr);
    const TargetModel& model() const { return m_; }
    QLineEdit* lengthEdit(int i) const { return length_[size_t(i)]; }
    QLineEdit* girthEdit(int i) const { return girth_[size_t(i)]; }
    QPushButton* confirmButton() const { return confirm_; }

private:
    void refresh();
    void setBold(QLineEdit* e, bool bold);
    TargetModel m_;
    std::vector<QLineEdit*> length_, girth_;
    QPushButton* confirm_;
};

class StepStandardDialog : public QDialog {
public:
    explicit StepStandardDialog(QWidget* parent);
    const StepStandardModel& model() const { return m_; }

private:
    void refresh();
    StepStandardModel m_;
    std::array<QLineEdit*, 10> edits_{};
};

class ClearSchemeDialog : public QDialog {
public:
    explicit ClearSchemeDialog(QWidget* parent);
    ClearCategories choice() const;

private:
    std::array<QCheckBox*, 6> boxes_{};
};

}  // namespace rz
