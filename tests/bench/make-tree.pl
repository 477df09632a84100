#!/usr/bin/perl
# Generates the relocation benchmark's tree from Linux, much faster than any program
# under Wine could: 16 x 8 folders of 40 files each (5,120 files), half of them 50 KiB
# and half 150 KiB, 500 MiB in all. Every file starts with its own name, so no two are
# alike.
#
#   make-tree.pl <folder>      (created; must not exist yet)
use strict;
use warnings;

my $root = shift or die "usage: make-tree.pl <folder>\n";
die "make-tree.pl: $root already exists\n" if -e $root;

# 150 KiB of varied bytes (a linear congruential sequence), shared by every file.
my $block = '';
my $x = 12345;
for (1 .. 150 * 1024) {
  $x = ($x * 1103515245 + 12345) % 2147483648;
  $block .= chr(($x >> 16) & 0xFF);
}

my ($files, $bytes) = (0, 0);
mkdir $root or die "make-tree.pl: $root: $!\n";
for my $d (1 .. 16) {
  my $top = sprintf "%s/folder %02d", $root, $d;
  mkdir $top or die "$top: $!\n";
  for my $s (1 .. 8) {
    my $sub = sprintf "%s/sub %d", $top, $s;
    mkdir $sub or die "$sub: $!\n";
    for my $f (1 .. 40) {
      my $name = sprintf "%s/file %03d.bin", $sub, $f;
      my $size = ($f % 2) ? 50 * 1024 : 150 * 1024;
      my $head = "$name\n";
      open my $out, '>:raw', $name or die "$name: $!\n";
      print $out $head, substr($block, 0, $size - length $head);
      close $out or die "$name: $!\n";
      $files++;
      $bytes += $size;
    }
  }
}
print "make-tree.pl: $files files, $bytes bytes in $root\n";
