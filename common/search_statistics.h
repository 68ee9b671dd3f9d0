// The statistics that let SQLite choose the index of a search: samples of
// every index, from which it reads how many stored reads a name, number or
// time range holds. Without them every range looks alike to it, and a
// search for one person's full number walks all reads of the time range.
// The reader program gathers them at its start when they are due; the
// other programs only use them.
#pragma once

// True when the statistics are missing for a table that holds rows, or the
// table has grown or shrunk tenfold since they were gathered. False also
// when the database cannot be read.
bool SearchStatisticsAreDue();
// Gathers the statistics of every table that is due. 0 on success, else
// the SQLite code of the failed step.
int UpdateSearchStatistics();
