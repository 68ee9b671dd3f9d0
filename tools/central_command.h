// readerctl central: the counter's central-records settings, a test of
// the connection they give, and the state of the outbox, as JSON lines.
//
//   readerctl central set [--connection TEXT] [--station TEXT] [--password-stdin]
//                         [--office-connection TEXT] [--office-password-stdin]
//                         [--search-connection TEXT]
//                         [--retry-seconds N] [--alert-seconds N] [--pull-seconds N]
//   readerctl central test
//   readerctl central status
#pragma once

// argv[1] is "central"; the process exit code.
int RunCentralCommand(int argc, wchar_t** argv);
