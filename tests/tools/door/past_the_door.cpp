// A tool that reaches past the board's API for the models behind it. Built
// as a tool is built, it must not build: the header is not on its include
// path, and reached through the tree it leaves models() undefined.
#include "board/board.h"
#include PAST_THE_DOOR

int main()
{
    sim::Board board;
    return static_cast<int>(sim::models(board).clock().now());
}
