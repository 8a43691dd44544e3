# A journal file that cannot be written is said before anything runs.
# args: --link script --journal /nonexistent-vantel-folder/journal.jsonl
# status: 3
menu 32711
