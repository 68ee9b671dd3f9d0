// What the reader program does to its card database at each start, before
// the main window opens and the polling loop stores reads: a card2 of the
// old form is converted into the new one, an older card2 gets the search
// indices, and the search statistics are gathered when they are due. Work
// that takes more than a moment shows a progress window; a conversion that
// fails says so and leaves the old file in use.
#pragma once

void KeepCardDatabaseCurrent();
