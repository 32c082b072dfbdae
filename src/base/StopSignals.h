#pragma once
// The signals that would end a program where it stands. A program that writes files
// through temporaries catches them as a request to stop, finishes its work the way
// it chooses (deleting what is half written, saving its settings) and then ends.

// Catches SIGTERM, SIGHUP, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM and SIGXCPU (and
// SIGINT with ctrlC) with handler, given sa_flags. One the program was started with
// ignored stays ignored (nohup's SIGHUP). SIGPIPE and SIGXFSZ are ignored, so that a
// write to a closed pipe or past the file size limit fails with its reason instead.
void CatchStopSignals(void (*handler)(int), int flags, bool ctrlC);
// The signals handler catches go back to their default action.
void ReleaseStopSignals(void (*handler)(int));
