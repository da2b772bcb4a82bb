#include "gamestate.h"
