// Dialogs of the file commands: the open dialog with its 预览 and 合入 strip, the work-range
// dialog of 新建 ("输入范围") and the read-only text box used for ".txt" files.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <vector>

#include "model/settings.h"

class QComboBox;
class QDialogButtonBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace rz {

// 确认 and 取消 under a dialog: accept and reject.
QDialogButtonBox* OkCancelButtons(QDialog* d);

// Draws a file's preview outline: polylines separated by (0, 0) points.
class PreviewPane : public QWidget {
public:
    explicit PreviewPane(QWidget* parent);
    // Shows what the pattern file at `path` holds; an unreadable file shows nothing.
    void showFile(const QString& path);
    void clear();
    QString text() const { return text_->text(); }
    size_t pointCount() const { return points_.size(); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    std::vector<std::pair<int, int>> points_;
    QLabel* text_;
};

class OpenDialog : public QFileDialog {
public:
    // front: pattern files; else the back screen's cut files. `settings` keeps the preview bit.
    OpenDialog(QWidget* parent, Settings& settings, bool front, const QString& folder);
    bool merge() const { return merge_->isChecked(); }
    QCheckBox* previewBox() const { return preview_; }
    QCheckBox* mergeBox() const { return merge_; }
    PreviewPane* previewPane() const { return pane_; }

private:
    void setPreview(bool on);
    Settings& settings_;
    QCheckBox* preview_;
    QCheckBox* merge_;
    PreviewPane* pane_;
};

// The work range of 新建: A3, A1, A0, A00 or 自定义尺寸 with its own width and height.
class WorkRangeDialog : public QDialog {
public:
    WorkRangeDialog(QWidget* parent, const ShortCutSetup& block, bool centimetres);
    // The edited block; unchanged when a custom range is not positive.
    ShortCutSetup result() const;
    QComboBox* combo() const { return combo_; }
    QLineEdit* widthEdit() const { return w_; }
    QLineEdit* heightEdit() const { return h_; }

private:
    void showRow(int row);
    ShortCutSetup block_;
    bool cm_;
    QComboBox* combo_;
    QLineEdit* w_;
    QLineEdit* h_;
};

// Width and height (model units) of a row of the range table; rows above 3 use the custom size.
std::pair<float, float> workRangeSize(const ShortCutSetup& b);

// Shows a text file read-only with 关闭 and 打印; GBK text is converted. The window is captioned
// `caption` when one is given.
void showTextFile(QWidget* parent, const QString& path, const QString& caption = {});

// "请输入字串": a line of text; "字串选择" shows the lines of the text history (Vopa.str), and
// choosing one fills the line.
class TextInputDialog : public QDialog {
public:
    TextInputDialog(QWidget* parent, const std::vector<std::string>& history);
    QString text() const;
    QLineEdit* edit() const { return edit_; }
    QPushButton* historyButton() const { return choose_; }
    QListWidget* historyList() const { return list_; }

private:
    QLineEdit* edit_;
    QPushButton* choose_;
    QListWidget* list_;
};
// Runs the dialog; false when cancelled or left empty.
bool askTextWithHistory(QWidget* parent, const std::vector<std::string>& history, std::string& utf8);

}  // namespace rz
