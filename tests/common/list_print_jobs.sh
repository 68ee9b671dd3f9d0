#!/bin/sh
# list_print_jobs.sh WHICH OUT
# Writes to OUT the jobs that the build's own print server (CUPS_SERVER)
# lists with "lpstat -W WHICH" ("all" or "not-completed"), one a line,
# then a last line "exit N" with lpstat's status. The print tests run under
# Wine, whose "start /unix" does not wait for the program it starts: OUT
# appears whole once everything is in it.
lpstat -W "$1" -o > "$2.part" 2>/dev/null
echo "exit $?" >> "$2.part"
mv "$2.part" "$2"
