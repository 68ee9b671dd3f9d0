#!/usr/bin/perl
# Writes a workbook whose first sheet "Sheet1" has a header row and whose
# second sheet "Other" holds enough distinct texts that the shared string
# table runs over into CONTINUE records. Usage: make_two_sheet_workbook.pl OUT
use strict;
use warnings;
use utf8;
use Spreadsheet::WriteExcel;

my $workbook = Spreadsheet::WriteExcel->new(shift) or die "cannot write: $!\n";
my $first = $workbook->add_worksheet('Sheet1');
my $other = $workbook->add_worksheet('Other');
$first->write_string(0, $_, "列$_") for 0 .. 9;
$other->write_string($_, 0, sprintf('文本%04d', $_)) for 0 .. 2999;
$workbook->close() or die "cannot write: $!\n";
