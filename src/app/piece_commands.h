// The piece commands of the strip's "分片区右键" popup: 特性, 默认颜色, 生成部位, 复制, 内部刷新
// and 删除此分片 act on the piece in the current slot. 共模说明 and the graded output belong to
// the grading controls and the graded output and stay disabled until those register them.
#pragma once

#include <QObject>

namespace rz {

class Engine;
class MainFrame;

class PieceCommands : public QObject {
public:
    PieceCommands(MainFrame& frame, Engine& engine);

private:
    // A running tool step holds records and marks of the design as it is (指定 its trim line and
    // what it hides): it ends before a piece command changes the design, as other commands end it.
    void endStep();
    void changed(bool snapshot);

    MainFrame& frame_;
    Engine& engine_;
};

}  // namespace rz
