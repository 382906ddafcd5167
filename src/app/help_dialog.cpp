#include "app/help_dialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QStandardPaths>
#include <QTextDocument>
#include <QVBoxLayout>

namespace rz {

HelpDialog::HelpDialog(QWidget* parent, const QString& text) : QDialog(parent) {
    setWindowTitle(QStringLiteral("操作指导"));
    resize(720, 540);
    auto* lay = new QVBoxLayout(this);
    box_ = new QPlainTextEdit(this);
    box_->setReadOnly(true);
    box_->setPlainText(text);
    lay->addWidget(box_);
    auto* bb = new QDialogButtonBox(this);
    print_ = bb->addButton(QStringLiteral("打印"), QDialogButtonBox::ActionRole);
    close_ = bb->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
    connect(close_, &QPushButton::clicked, this, &QDialog::reject);
    connect(print_, &QPushButton::clicked, this, [this] { print(); });
    lay->addWidget(bb);
}

void HelpDialog::printTo(QPrinter& printer) const {
    QTextDocument doc;
    doc.setPlainText(box_->toPlainText());
    QFont f = doc.defaultFont();
    f.setPointSize(10);
    doc.setDefaultFont(f);
    doc.print(&printer);
}

void HelpDialog::print() {
    lastPdf_.clear();
    if (!QPrinterInfo::availablePrinters().isEmpty()) {
        QPrinter printer(QPrinter::HighResolution);
        QPrintDialog dlg(&printer, this);
        dlg.setWindowTitle(QStringLiteral("打印"));
        if (dlg.exec() == QDialog::Accepted) printTo(printer);
        return;
    }
    QString folder = pdfFolder;
    if (folder.isEmpty()) folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(QStringLiteral("操作指导.pdf"));
    // Printed beside the old copy and put in its place only when complete: an earlier print
    // must not pass for this one.
    const QString part = path + QStringLiteral(".part");
    QFile::remove(part);
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(part);
        printTo(printer);
    }  // the PDF is finished when the printer goes
    if (QFileInfo(part).size() <= 0 || (QFile::exists(path) && !QFile::remove(path)) || !QFile::rename(part, path)) {
        QFile::remove(part);
        QMessageBox::warning(this, QStringLiteral("警告"), QStringLiteral("不能打开 ") + path);
        return;
    }
    lastPdf_ = path;
    QMessageBox box(QMessageBox::Information, QStringLiteral("提示"),
                    QStringLiteral("没有安装打印机，已打印到 ") + path, QMessageBox::Ok, this);
    box.exec();
}

QString HelpFilePath(const QString& configFolder) {
    const QString name = QStringLiteral("Vopa.cmt");
    if (!configFolder.isEmpty() && QFileInfo::exists(QDir(configFolder).filePath(name)))
        return QDir(configFolder).filePath(name);
    QDir dir(QCoreApplication::applicationDirPath());
    for (int up = 0; up < 4; ++up) {
        for (const QString& p : {dir.filePath(name), dir.filePath(QStringLiteral("share/rozedoz/") + name)})
            if (QFileInfo::exists(p)) return p;
        if (!dir.cdUp()) break;
    }
    return {};
}

}  // namespace rz
