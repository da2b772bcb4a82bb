#pragma once

#include "game/ids.h"
#include "game/rules.h"

#include <QtGlobal>

// What the game shows and plays, as the main window implements it. The game decides what
// happens and when; the view only puts it on the screen and through the speakers.
class GameView
{
public:
    virtual ~GameView() = default;

    // Card place 0..7 takes the picture and comes into view; hidden, it keeps its picture.
    virtual void showCard(int place, PictureId card) = 0;
    virtual void hideCard(int place) = 0;
    // The keyboard picture, and the outlines drawn on it until it is cleared.
    virtual void setBoardShown(bool shown) = 0;
    virtual void drawOutline(const Rules::Outline &outline) = 0;
    virtual void clearBoard() = 0;
    // The animation box, which also shows the game-over picture.
    virtual void setAnimationShown(bool shown) = 0;
    virtual void showAnimationFrame(PictureId frame) = 0;
    virtual void setLifeShown(int index, bool shown) = 0;
    virtual void showScore(qint32 score) = 0;
    virtual void playSound(SoundId sound) = 0;
    // The game is over: the leaderboard takes the score.
    virtual void showLeaderboard(qint32 score) = 0;
    // Once the game-over tune is over, the leaderboard's answer to the score, if it has one.
    virtual void playLeaderboardAnswer() = 0;
};
