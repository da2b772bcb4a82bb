#pragma once

#include "game/rules.h"

#include <QtGlobal>

// What the game shows and plays, as the main window implements it. The game decides what
// happens and when; the view only puts it on the screen and through the speakers.
class GameView
{
public:
    virtual ~GameView() = default;

    // Card place 0..7 takes the picture and comes into view; hidden, it keeps its picture.
    virtual void showCard(int place, int pictureId) = 0;
    virtual void hideCard(int place) = 0;
    // The keyboard picture, and the outlines drawn on it until it is cleared.
    virtual void setBoardShown(bool shown) = 0;
    virtual void drawOutline(const Rules::Outline &outline) = 0;
    virtual void clearBoard() = 0;
    // The animation box, which also shows the game-over picture.
    virtual void setAnimationShown(bool shown) = 0;
    virtual void showAnimationFrame(int pictureId) = 0;
    virtual void setLifeShown(int index, bool shown) = 0;
    virtual void showScore(qint32 score) = 0;
    virtual void playSound(int soundId) = 0;
    // The game is over: the leaderboard takes the score. Returns the sound the leaderboard
    // answers the score with (0 for none), which the game plays once its own tune is over.
    virtual int showLeaderboard(qint32 score) = 0;
};
