#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QList>

class SoundOutput;

// Every picture and sound of the game is embedded in the program under a small number.
// A letter's card is picture 101 + its key index, its spoken name sound 201 + key index.
namespace Media {
constexpr int CardBase = 101;
constexpr int LetterSoundBase = 201;
constexpr int Background = 200;
constexpr int Keyboard = 201;
constexpr int LifeIcon = 202;
constexpr int AnimationFrame1 = 301;
constexpr int AnimationFrame2 = 302; // also the game-over picture
constexpr int AnimationFrame3 = 303;
constexpr int StartButton = 901;
constexpr int HelpButton = 902;

constexpr int RoundCompleteSound = 102;
constexpr int CorrectSound = 103;
constexpr int WrongSound = 104;
constexpr int GameOverSound = 105;
constexpr int MadeTheTableSound = 123;
constexpr int MissedTheTableSound = 124;

// The letters by key index: the rows of a computer keyboard, left to right, top row first.
inline constexpr char KeyboardLetters[] = "QWERTYUIOPASDFGHJKLZXCVBNM";
constexpr int cardOf(int keyIndex)
{
    return CardBase + keyIndex;
}
constexpr int letterSoundOf(int keyIndex)
{
    return LetterSoundBase + keyIndex;
}

// The ids of what was embedded, ascending; the list itself is assets/catalogue.txt.
QList<int> pictureIds();
QList<int> soundIds();
} // namespace Media

// Fetched anew at every use. A missing id fails and leaves the target as it was.
// On a screen scaled above 1 the picture comes at twice the pixels, with a device pixel
// ratio of 2, so it covers the same logical size as the plain one but stays sharp.
bool PictureById(int id, QImage &picture, qreal devicePixelRatio = 1.0);
bool SoundById(int id, QByteArray &buffer);

// Hands the image in buffer to the player; an empty buffer plays nothing.
void StartSound(SoundOutput &output, const QByteArray &buffer);

// The usual way a window plays a sound: the window's own buffer takes the image of the
// sound, then it is started. An unknown id leaves the buffer and the player untouched.
bool PlaySoundById(int id, QByteArray &buffer, SoundOutput &output);

QIcon programIcon();
