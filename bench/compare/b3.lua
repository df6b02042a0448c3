local i, total, s = 0, 0, ""
while i < 1000000 do
  local t = string.format("%05d:%s", i, "abc")
  total = total + #t + #string.sub(t, 2, 4)
  s = s .. t
  if #s > 1000 then s = "" end
  i = i + 1
end
print(total)
