// The drawn dialogs of the grading controls: 定距参数 (CPrmSlave) and 共用说明/共模说明 (CPrmSha with
// its group cells CShnCtrl). Their rules are the GUI-free models of grading/control_dialogs.h;
// these windows lay the sizes out in rows of sixteen, draw the cells and pass the user's edits
// and clicks on.
#pragma once

#include <QDialog>
#include <QWidget>
#include <vector>

#include "grading/control_dialogs.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace rz {

class Platform;

class FixedStepsDialog : public QDialog {
public:
    FixedStepsDialog(QWidget* parent, FixedStepsModel& model);
    QLineEdit* edit(int i) const { return edits_[size_t(i)]; }
    QLabel* sizeLabel(int i) const { return labels_[size_t(i)]; }
    QPushButton* clearButton() const { return clear_; }
    QPushButton* deleteButton() const { return delete_; }
    QPushButton* confirmButton() const { return confirm_; }

private:
    void refresh();
    FixedStepsModel& m_;
    std::vector<QLabel*> labels_;
    std::vector<QLineEdit*> edits_;
    QPushButton *clear_, *delete_, *confirm_;
};

// One size's group cell: the group number, the mark as a filled square in the top-right corner.
class GroupCell : public QWidget {
public:
    GroupCell(QWidget* parent, SizeGroupsModel& model, int index, Platform& platform);
    QSize sizeHint() const override { return {36, 24}; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    SizeGroupsModel& m_;
    int i_;
    Platform& platform_;
};

class SizeGroupsDialog : public QDialog {
public:
    SizeGroupsDialog(QWidget* parent, SizeGroupsModel& model, Platform& platform);
    GroupCell* cell(int i) const { return cells_[size_t(i)]; }
    QLabel* sizeLabel(int i) const { return labels_[size_t(i)]; }
    QPushButton* confirmButton() const { return confirm_; }

private:
    std::vector<QLabel*> labels_;
    std::vector<GroupCell*> cells_;
    QPushButton* confirm_;
};

}  // namespace rz
