// 操作指导 (F1): the help text Vopa.cmt in a read-only box with 关闭 and 打印. 打印 prints the
// plain text; without an installed printer it writes a PDF next to the pattern files instead.
#pragma once

#include <QDialog>
#include <QString>
#include <string>

class QPlainTextEdit;
class QPrinter;
class QPushButton;

namespace rz {

class HelpDialog : public QDialog {
public:
    HelpDialog(QWidget* parent, const QString& text);
    QPlainTextEdit* textBox() const { return box_; }
    QPushButton* printButton() const { return print_; }
    QPushButton* closeButton() const { return close_; }
    // Where 打印 writes its PDF when no printer is installed (empty: the user's documents).
    QString pdfFolder;
    // The file the last PDF went to (empty when the text went to a printer or nowhere).
    QString lastPdf() const { return lastPdf_; }

    // The plain text on a printer or into a PDF (QPrinter::PdfFormat with an output file).
    void printTo(QPrinter& printer) const;
    // 打印: the print dialog when a printer is installed, else a PDF (with a notice).
    void print();

private:
    QPlainTextEdit* box_;
    QPushButton* print_;
    QPushButton* close_;
    QString lastPdf_;
};

// Where the help text lives: a copy in the configuration folder wins; otherwise beside the
// program (a build tree, a few levels up) or in its share/rozedoz folder. Empty when none.
QString HelpFilePath(const QString& configFolder);

}  // namespace rz
