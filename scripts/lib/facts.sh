# The product's facts (product.facts), sourced, with the lists the scripts take from them:
# sms_support_paths and sms_support_files as arrays, and sms_support_folder.
source "$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/product.facts"
read -ra sms_support_paths <<<"$sms_support_paths"
sms_support_files=("${sms_support_paths[@]##*/}")
sms_support_folder="$sms_support_parent\\$sms_support_name"
