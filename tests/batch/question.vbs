# args: --trace --link script
# Type-100 notifications: the question, its buttons, and the answer sent back.
result GetSyncAddDialog 1 133444736123450000 0x1F 4 17 "Weiter?" "" "Zeile\t3" ["p1"] [true] ["Ja", "Nein", "Abbruch"] [true, false, false]
answer 1
post 7 100
wait
# Five answers offer the first three; the right button sends 2.
result GetSyncAddDialog 1 0 0xFFFFFFFF 0 0 "" "" "" [] [] ["a", "b", "c", "d", "e"]
answer 2
post 8 100
# An empty middle caption: its button is not offered, the right one still sends 2.
result GetSyncAddDialog 1 0 2 1 2 "q" "" "" [] [] ["links", "", "rechts"]
answer 2
post 9 100
wait
# Closed with the close box, or with no answer given at all: 0.
result GetSyncAddDialog 1 0 3 0 0 "" "" "" [] [] []
result GetSyncAddDialog 1 0 4 0 0 "" "" "" [] [] ["nur eins"]
answer close
post 10 100
post 11 100
# A failed fetch shows the failure message and answers nothing; another value neither.
result GetSyncAddDialog 0
result GetSyncAddDialog 2
post 12 100
post 13 100
wait
