#!/usr/bin/perl
# Generates a benchmark tree from Linux, much faster than any program under Wine could:
# <files> files in folders of 40 (eight such folders to a top folder), half of them half
# the average size and half one and a half times it. Every file starts with its own name,
# so no two are alike.
#
#   make-tree.pl <folder> <files> <average KiB>      (<folder> must not exist yet)
use strict;
use warnings;

my ($root, $count, $average) = @ARGV;
die "usage: make-tree.pl <folder> <files> <average KiB>\n" unless $root && $count && $average;
die "make-tree.pl: $root already exists\n" if -e $root;

my ($small, $large) = ($average * 512, $average * 1536);
# Varied bytes (a linear congruential sequence), shared by every file.
my $block = '';
my $x = 12345;
for (1 .. $large) {
  $x = ($x * 1103515245 + 12345) % 2147483648;
  $block .= chr(($x >> 16) & 0xFF);
}

my ($files, $bytes) = (0, 0);
mkdir $root or die "make-tree.pl: $root: $!\n";
while ($files < $count) {
  my $folder = int($files / 40);
  my $top = sprintf "%s/folder %03d", $root, int($folder / 8) + 1;
  my $sub = sprintf "%s/sub %d", $top, $folder % 8 + 1;
  -d $top or mkdir $top or die "$top: $!\n";
  -d $sub or mkdir $sub or die "$sub: $!\n";
  my $name = sprintf "%s/file %03d.bin", $sub, $files % 40 + 1;
  my $size = ($files % 2) ? $small : $large;
  my $head = "$name\n";
  open my $out, '>:raw', $name or die "$name: $!\n";
  print $out $head, substr($block, 0, $size - length $head);
  close $out or die "$name: $!\n";
  $files++;
  $bytes += $size;
}
print "make-tree.pl: $files files, $bytes bytes in $root\n";
