#!/usr/bin/perl
# Writes a workbook whose sheet "Sheet1" has a header row and a text in its
# row 65534, so that only the sheet's last two rows are free: an export
# into a copy of it has every later row refused by the driver.
# Usage: make_nearly_full_workbook.pl OUT
use strict;
use warnings;
use utf8;
use Spreadsheet::WriteExcel;

my $workbook = Spreadsheet::WriteExcel->new(shift) or die "cannot write: $!\n";
my $sheet = $workbook->add_worksheet('Sheet1');
$sheet->write_string(0, $_, "列$_") for 0 .. 9;
$sheet->write_string(65533, 0, '已占用');
$workbook->close() or die "cannot write: $!\n";
