#!/usr/bin/perl
# Writes the export's spreadsheet template: a BIFF8 workbook whose sheet
# "Sheet1" carries, in its first row, the result list's ten column headers
# in the order the query tool exports them; with --station an eleventh,
# the station, for the export of the central server's reads.
# Usage: make_template.pl [--station] OUT
use strict;
use warnings;
use utf8;
use Spreadsheet::WriteExcel;

my $station = @ARGV && $ARGV[0] eq '--station' ? shift : undef;
my $out = shift or die "usage: $0 [--station] OUT\n";
my $workbook = Spreadsheet::WriteExcel->new($out) or die "cannot write $out: $!\n";
my $sheet = $workbook->add_worksheet('Sheet1');
my $header = $workbook->add_format(bold => 1, align => 'center', bg_color => 'silver', border => 1);

# Header texts and column widths (in characters) of the exported columns.
my @columns = (
  ['姓名', 10], ['性别', 6], ['民族', 8], ['生日', 16], ['地址', 40],
  ['身份证号码', 20], ['签发机构', 20], ['有效时间', 22], ['验卡时间', 20], ['最新地址', 40],
);
push @columns, ['站点', 20] if $station;
for my $i (0 .. $#columns) {
  my ($title, $width) = @{ $columns[$i] };
  $sheet->set_column($i, $i, $width);
  $sheet->write_string(0, $i, $title, $header);
}
$sheet->freeze_panes(1, 0);
$workbook->close() or die "cannot write $out: $!\n";
