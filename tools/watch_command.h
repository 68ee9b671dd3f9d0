// readerctl watch: the card polling loop run exactly as the reader program
// runs it, with a message-only window that prints every message it gets.
#pragma once

// Runs the loop on port for the given seconds; when answer is false the
// window never takes a card, so every hand-shake runs out.
int RunWatch(int port, int seconds, bool answer);
