#include "help/helptext.h"

QString helpText()
{
    const QString paragraphBreak = QStringLiteral("\r\n\r\n");
    return QStringLiteral("游戏目的：教孩子学会26个英文字母，同时锻炼孩子的记忆力和观察能力，") +
           QStringLiteral("并且掌握字母在键盘上的位置。") + paragraphBreak +
           QStringLiteral("游戏方法：点击三角按钮开始游戏。") +
           QStringLiteral("游戏开始后会播放单一的英文字母，你要在随后播放的所有英文字母中") +
           QStringLiteral("将它找出来。") + paragraphBreak +
           QStringLiteral("请注意每个英文字母所配的图片，并不表示字母的发音，而是") +
           QStringLiteral("字母在单词中经常使用的发音，便于今后孩子对单词拼读的掌握。");
}
